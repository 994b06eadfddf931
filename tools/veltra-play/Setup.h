// The runner's own writable connection for setting up the databases a scenario searches:
// files in the working folder, or databases on a PostgreSQL server named as those files.
// Not part of veltra-play's interface.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace veltra::play {

class SetupDatabase {
  public:
    virtual ~SetupDatabase() = default;
    // The database that `sql` writes to; the first time in a scenario it is created empty
    // (a file keeps what it holds).
    virtual void open(const std::string& name) = 0;
    virtual void execute(const std::string& sql) = 0;
    // The sample database's tables and rows as the database of that name.
    virtual void sample(const std::string& name, const std::filesystem::path& sampleFile) = 0;
    // What a database holds, to compare before and after: a file's bytes, a server
    // database's tables and rows.
    virtual std::string contents(const std::string& name) = 0;
};

// The bytes of a file in the working folder.
std::string fileContents(const std::string& name);

std::unique_ptr<SetupDatabase> makeFileSetup();
// Null when this build has no PostgreSQL engine. The server is the one libpq's environment
// (PGHOST, PGPORT, PGUSER) names.
std::unique_ptr<SetupDatabase> makeServerSetup();

} // namespace veltra::play

// Copies of a user's tables with folded-text indexes, each in a database file of its own in
// the user's cache folder (never beside or inside the user's file). Only the first use of a
// version of a file pays for a copy: the next launch of the program finds it ready.
//
// Nothing another user of the machine can write is trusted: the cache folder must be the
// user's alone (else a private temporary folder takes the copies), copies are the user's
// and readable by no one else, a copy is written under a name of its own made exclusively,
// never through a link, and every page of a copy carries a checksum that every read checks.
#pragma once

#include "sqlite/Sqlite.h"
#include "veltra/platform/Files.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace veltra::detail {

// Which version of a database file: the file (see FileIdentity), the change counter that
// SQLite keeps in its header, and the write-ahead log beside it with its header, where a
// committed change lives until a checkpoint moves it into the file. Two versions of a file
// are equal only when all of it is.
std::string versionOf(const std::string& path);

// Which table of which version of which file a copy holds.
struct CopyOrigin {
    std::string source; // the user's file, as an absolute path
    std::string version;
    std::string table;
};

// A copy file attached to a connection.
struct AttachedCopy {
    std::string schema;
    std::set<std::string> foldedColumns; // lower-case
    // The copied table, qualified.
    std::string table() const;
};

// The table's name inside a copy file, and the table a copy file describes itself in.
inline constexpr const char* kCopyTable = "copy";
inline constexpr const char* kCopyOriginTable = "veltra_origin";

// The name of the file that keeps the copy of a table of a file.
std::string copyFileName(const std::string& source, const std::string& table);
// The URI that attaches a copy file read-only, its pages checked.
std::string copyUri(const std::filesystem::path& file);

// The statement that reads, from a copy file attached as schema, its folded columns when
// it holds that origin (no row otherwise). Its parameters come from originParameters.
std::string copyColumnsQuery(const std::string& schema);
std::vector<std::string> originParameters(const CopyOrigin& origin);

// Runs one statement with text parameters, handing each row to the caller; false when it
// fails. For the statements that make, attach and read copy files.
bool runStatement(sqlite3* db, const std::string& sql, const std::vector<std::string>& parameters,
                  const std::function<void(sqlite3_stmt*)>& row = {});

// A copy file being written: a file of its own beside the copy's place, moved into place
// by publish(), removed when it never is. Meant for one thread.
class CopyWriter {
  public:
    // Throws veltra::Error (3001) when the file cannot be made.
    explicit CopyWriter(std::filesystem::path file);
    ~CopyWriter();
    CopyWriter(const CopyWriter&) = delete;
    CopyWriter& operator=(const CopyWriter&) = delete;

    sqlite3* handle() const { return db_.get(); }
    // Throws veltra::Error (3001), also when the stop flag was raised meanwhile.
    void execute(const std::string& sql);
    [[noreturn]] void fail() const;
    // Statements give up soon after the flag is raised.
    void stopWhen(const std::atomic<bool>& flag);
    // Records what the copy holds, closes it and moves it into place.
    void publish(const CopyOrigin& origin, const std::set<std::string>& foldedColumns);

  private:
    std::filesystem::path file_;
    std::filesystem::path draft_;
    sqlite::Database db_;
};

} // namespace veltra::detail

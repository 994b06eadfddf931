#include "Setup.h"

#include "Script.h"

#include <fstream>
#include <iterator>
#include <sqlite3.h>

namespace veltra::play {

namespace {

class FileSetup final : public SetupDatabase {
  public:
    FileSetup() = default;
    ~FileSetup() override { sqlite3_close(db_); }
    FileSetup(const FileSetup&) = delete;
    FileSetup& operator=(const FileSetup&) = delete;

    void open(const std::string& name) override {
        sqlite3_close(db_);
        db_ = nullptr;
        if (sqlite3_open(name.c_str(), &db_) != SQLITE_OK)
            throw ScriptError("cannot open database " + name + ": " + sqlite3_errmsg(db_));
        // As a program writing the file would, it waits for readers: the control's copy of a
        // table is read from the file in the background.
        sqlite3_busy_timeout(db_, 10'000);
    }

    void execute(const std::string& sql) override {
        if (!db_)
            throw ScriptError("sql needs a database: use db NAME first");
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message ? message : "unknown error";
            sqlite3_free(message);
            throw ScriptError("sql failed: " + text);
        }
    }

    void sample(const std::string& name, const std::filesystem::path& sampleFile) override {
        std::error_code error;
        std::filesystem::copy_file(sampleFile, name,
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error)
            throw ScriptError("cannot copy the sample database " + sampleFile.string() + ": " +
                              error.message());
        std::filesystem::permissions(name, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, error);
    }

    std::string contents(const std::string& name) override { return fileContents(name); }

  private:
    sqlite3* db_ = nullptr;
};

} // namespace

std::string fileContents(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in)
        throw ScriptError("cannot read " + name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<SetupDatabase> makeFileSetup() {
    return std::make_unique<FileSetup>();
}

} // namespace veltra::play

// What the tests of the copies share: a cache folder of the test's own, and a statement run
// on a connection with whether a copy answered it.
#pragma once

#include "TestSupport.h"
#include "sqlite/Connection.h"

#include <cstdlib>

namespace veltra::testing {

// The copies go to a folder of the test's own while it lives; the environment comes back.
class CacheFolder {
  public:
    CacheFolder() : folder_("veltra-cache") {
        for (const char* name : {"XDG_CACHE_HOME", "HOME", "TMPDIR"})
            if (const char* value = std::getenv(name))
                before_[name] = value;
        setenv("XDG_CACHE_HOME", folder_.path().c_str(), 1);
    }
    ~CacheFolder() {
        for (const char* name : {"XDG_CACHE_HOME", "HOME", "TMPDIR"}) {
            const auto value = before_.find(name);
            if (value == before_.end())
                unsetenv(name);
            else
                setenv(name, value->second.c_str(), 1);
        }
    }
    CacheFolder(const CacheFolder&) = delete;
    CacheFolder& operator=(const CacheFolder&) = delete;

    const std::filesystem::path& path() const { return folder_.path(); }
    std::filesystem::path copies() const { return folder_.path() / "veltra" / "copies"; }
    std::vector<std::filesystem::path> copyFiles() const {
        std::vector<std::filesystem::path> files;
        std::error_code missing;
        for (const auto& entry : std::filesystem::directory_iterator(copies(), missing))
            files.push_back(entry.path());
        return files;
    }

  private:
    TemporaryFolder folder_;
    std::map<std::string, std::string> before_;
};

struct Answer {
    std::vector<std::string> rows; // "key|value"
    bool fromCopy = false;
};

inline Answer run(detail::SqliteConnection& connection, const std::string& statement,
                  detail::CopyWait wait = detail::CopyWait::No) {
    const auto prepared = connection.prepare(connection.translate(statement), wait);
    Answer answer;
    answer.fromCopy =
        std::string(sqlite3_sql(prepared.get())).find("veltra_copy_") != std::string::npos;
    while (sqlite3_step(prepared.get()) == SQLITE_ROW) {
        const auto* key = sqlite3_column_text(prepared.get(), 0);
        const auto* name = sqlite3_column_text(prepared.get(), 1);
        answer.rows.push_back(std::string(key ? reinterpret_cast<const char*>(key) : "-") + "|" +
                              (name ? reinterpret_cast<const char*>(name) : "-"));
    }
    return answer;
}

// Runs statements on a database file as another program would.
inline void write(const String& path, const std::string& sql) {
    sqlite3* writer = nullptr;
    sqlite3_open(toUtf8(path).c_str(), &writer);
    sqlite3_exec(writer, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(writer);
}

} // namespace veltra::testing

#include "data/CopyFiles.h"

#include "data/SqliteFunctions.h"
#include "data/dialect/Emitter.h"
#include "veltra/Error.h"

#include <cstdint>
#include <cstdlib>
#include <sqlite3.h>
#include <unistd.h>

namespace veltra::detail {

namespace {

// FNV-1a: a name that stays the same from one run and one build to the next.
std::string digestOf(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    constexpr char hex[] = "0123456789abcdef";
    std::string digest;
    for (int shift = 60; shift >= 0; shift -= 4)
        digest += hex[(hash >> shift) & 0xF];
    return digest;
}

std::filesystem::path userCacheFolder() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/')
        return cache;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".cache";
    return {};
}

std::filesystem::path draftNameFor(const std::filesystem::path& file) {
    static std::atomic<unsigned> drafts{0};
    return file.string() + ".draft-" + std::to_string(::getpid()) + "-" +
           std::to_string(drafts.fetch_add(1));
}

} // namespace

bool runStatement(sqlite3* db, const std::string& sql, const std::vector<std::string>& parameters,
                  const std::function<void(sqlite3_stmt*)>& row) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    for (std::size_t i = 0; i < parameters.size(); ++i)
        sqlite3_bind_text(statement, static_cast<int>(i + 1), parameters[i].c_str(), -1,
                          SQLITE_TRANSIENT);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW)
        if (row)
            row(statement);
    sqlite3_finalize(statement);
    return step == SQLITE_DONE;
}

std::string AttachedCopy::table() const {
    return schema + "." + dialect::quoteName(kCopyTable);
}

std::optional<std::filesystem::path> userCopyFolder() {
    const auto cache = userCacheFolder();
    if (cache.empty())
        return std::nullopt;
    const auto folder = cache / "veltra" / "copies";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || ::access(folder.c_str(), W_OK) != 0)
        return std::nullopt;
    return folder;
}

std::string copyFileName(const std::string& source, const std::string& table) {
    return digestOf(source + '\n' + dialect::asciiLower(table)) + "-" +
           std::to_string(dialect::kFoldingVersion) + ".db";
}

std::string copyColumnsQuery(const std::string& schema) {
    return std::string("SELECT folded_column FROM ") + schema + "." + kCopyOriginTable +
           " WHERE source = ?1 AND size = ?2 AND modified = ?3 AND id = ?4 AND folding = ?5 "
           "AND table_name = ?6";
}

std::vector<std::string> originParameters(const CopyOrigin& origin) {
    return {origin.source,
            std::to_string(origin.version.size),
            std::to_string(origin.version.modified),
            std::to_string(origin.version.id),
            std::to_string(dialect::kFoldingVersion),
            dialect::asciiLower(origin.table)};
}

CopyWriter::CopyWriter(std::filesystem::path file)
    : file_(std::move(file)), draft_(draftNameFor(file_)) {
    if (sqlite3_open_v2(draft_.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI |
                            SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        fail();
    registerDialect(db_);
    // A draft that a crash leaves behind is never read, so nothing needs to survive one.
    execute("PRAGMA journal_mode = OFF");
    execute("PRAGMA synchronous = OFF");
    execute("PRAGMA cache_size = -16384");
}

CopyWriter::~CopyWriter() {
    sqlite3_close_v2(db_);
    std::error_code ignored;
    std::filesystem::remove(draft_, ignored);
}

void CopyWriter::fail() const {
    throw Error(ErrorNumber::OtherFailure,
                "Não foi possível fazer a cópia de pesquisa em '" + draft_.string() +
                    "': " + (db_ ? sqlite3_errmsg(db_) : "sem memória") + ".");
}

void CopyWriter::execute(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
}

void CopyWriter::stopWhen(const std::atomic<bool>& flag) {
    sqlite3_progress_handler(
        db_, 10'000,
        [](void* stop) { return static_cast<const std::atomic<bool>*>(stop)->load() ? 1 : 0; },
        const_cast<std::atomic<bool>*>(&flag));
}

void CopyWriter::publish(const CopyOrigin& origin, const std::set<std::string>& foldedColumns) {
    execute(std::string("CREATE TABLE ") + kCopyOriginTable +
            " (source TEXT, size TEXT, modified TEXT, id TEXT, folding TEXT, table_name TEXT, "
            "folded_column TEXT)");
    sqlite3_stmt* insert = nullptr;
    const std::string sql =
        std::string("INSERT INTO ") + kCopyOriginTable + " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &insert, nullptr) != SQLITE_OK)
        fail();
    auto parameters = originParameters(origin);
    // One row whatever the columns: a copy with no folded column still says what it holds.
    std::set<std::string> columns{""};
    for (const auto& column : foldedColumns)
        columns.insert(dialect::asciiLower(column));
    bool written = true;
    for (const auto& column : columns) {
        for (std::size_t i = 0; i < parameters.size(); ++i)
            sqlite3_bind_text(insert, static_cast<int>(i + 1), parameters[i].c_str(), -1,
                              SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 7, column.c_str(), -1, SQLITE_TRANSIENT);
        written = written && sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    if (!written || sqlite3_close(db_) != SQLITE_OK)
        fail();
    db_ = nullptr;
    std::error_code error;
    std::filesystem::rename(draft_, file_, error);
    if (error)
        throw Error(ErrorNumber::OtherFailure, "Não foi possível guardar a cópia de pesquisa em '" +
                                                   file_.string() + "': " + error.message() + ".");
}

} // namespace veltra::detail

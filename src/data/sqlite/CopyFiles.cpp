#include "sqlite/CopyFiles.h"

#include "Errors.h"
#include "dialect/Emitter.h"
#include "sqlite/CheckedFiles.h"
#include "sqlite/Connection.h"
#include "sqlite/CopyFolder.h"
#include "sqlite/Sqlite.h"
#include "sqlite/SqliteFunctions.h"
#include "veltra/Error.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>

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

std::string hexOf(const unsigned char* bytes, std::size_t length) {
    constexpr char hex[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += hex[bytes[i] >> 4];
        text += hex[bytes[i] & 0xF];
    }
    return text;
}

// The first bytes of a file, fewer when it is shorter.
std::string headOf(const std::string& path, std::size_t length) {
    unsigned char bytes[128] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes),
            static_cast<std::streamsize>(std::min(length, sizeof bytes)));
    return in.gcount() > 0 ? hexOf(bytes, static_cast<std::size_t>(in.gcount())) : std::string();
}

std::string identityText(const FileIdentity& file) {
    return std::to_string(file.size) + ":" + std::to_string(file.modified) + ":" +
           std::to_string(file.changed) + ":" + std::to_string(file.id) + ":" +
           std::to_string(file.device);
}

} // namespace

std::string versionOf(const std::string& path) {
    // The change counter: bytes 24 to 27 of the header.
    const std::string header = headOf(path, 28);
    std::string version = identityText(identifyFile(path)) + "/" +
                          header.substr(std::min<std::size_t>(header.size(), 48));
    // A log with frames (past its 32-byte header, which names its generation: checkpoint
    // sequence and salts); an empty one, as a reader may leave, holds no change. Its change
    // time does not count: SQLite gives the log the file's owner whenever it opens it.
    const std::string wal = path + "-wal";
    FileIdentity log = identifyFile(wal);
    log.changed = 0;
    if (log.size > 32)
        version += "/" + identityText(log) + "/" + headOf(wal, 32);
    return version;
}

bool runStatement(sqlite3* db, const std::string& sql, const std::vector<std::string>& parameters,
                  const std::function<void(sqlite3_stmt*)>& row) {
    const auto statement = sqlite::prepare(db, sql);
    if (!statement)
        return false;
    for (std::size_t i = 0; i < parameters.size(); ++i)
        sqlite3_bind_text(statement.get(), static_cast<int>(i + 1), parameters[i].c_str(), -1,
                          SQLITE_TRANSIENT);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW)
        if (row)
            row(statement.get());
    return step == SQLITE_DONE;
}

std::string AttachedCopy::table() const {
    return schema + "." + dialect::quoteName(kCopyTable);
}

std::string copyUri(const std::filesystem::path& file) {
    return readOnlyUri(utf8Path(file)) + "&vfs=" + kCheckedFileSystem;
}

std::string copyFileName(const std::string& source, const std::string& table) {
    return digestOf(source + '\n' + dialect::asciiLower(table)) + "-" +
           std::to_string(dialect::kFoldingVersion) + ".db";
}

std::string copyColumnsQuery(const std::string& schema) {
    return std::string("SELECT folded_column FROM ") + schema + "." + kCopyOriginTable +
           " WHERE source = ?1 AND version = ?2 AND folding = ?3 AND table_name = ?4";
}

std::vector<std::string> originParameters(const CopyOrigin& origin) {
    return {origin.source, origin.version, std::to_string(dialect::kFoldingVersion),
            dialect::asciiLower(origin.table)};
}

CopyWriter::CopyWriter(std::filesystem::path file)
    : file_(std::move(file)), draft_(newDraftFor(file_)) {
    registerCheckedFiles();
    sqlite3* opened = nullptr;
    const int code = sqlite3_open_v2(
        utf8Path(draft_).c_str(), &opened,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX, kCheckedFileSystem);
    db_.reset(opened);
    if (code != SQLITE_OK)
        fail();
    keepChecksums(db_.get());
    registerDialect(db_.get());
    // A draft that a crash leaves behind is never read, so nothing needs to survive one.
    execute("PRAGMA journal_mode = OFF");
    execute("PRAGMA synchronous = OFF");
    execute("PRAGMA cache_size = -16384");
}

CopyWriter::~CopyWriter() {
    db_.reset();
    std::error_code ignored;
    std::filesystem::remove(draft_, ignored);
}

void CopyWriter::fail() const {
    detail::fail(
        DataError::CopyNotMade,
        {utf8Path(draft_), std::string(": ") + (db_ ? sqlite3_errmsg(db_.get()) : "sem memória")});
}

void CopyWriter::execute(const std::string& sql) {
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
}

void CopyWriter::stopWhen(const std::atomic<bool>& flag) {
    sqlite3_progress_handler(
        db_.get(), 10'000,
        [](void* stop) { return static_cast<const std::atomic<bool>*>(stop)->load() ? 1 : 0; },
        const_cast<std::atomic<bool>*>(&flag));
}

void CopyWriter::publish(const CopyOrigin& origin, const std::set<std::string>& foldedColumns) {
    execute(std::string("CREATE TABLE ") + kCopyOriginTable +
            " (source TEXT, version TEXT, folding TEXT, table_name TEXT, folded_column TEXT)");
    auto insert = sqlite::prepare(db_.get(), std::string("INSERT INTO ") + kCopyOriginTable +
                                                 " VALUES (?1, ?2, ?3, ?4, ?5)");
    if (!insert)
        fail();
    auto parameters = originParameters(origin);
    // One row whatever the columns: a copy with no folded column still says what it holds.
    std::set<std::string> columns{""};
    for (const auto& column : foldedColumns)
        columns.insert(dialect::asciiLower(column));
    bool written = true;
    for (const auto& column : columns) {
        for (std::size_t i = 0; i < parameters.size(); ++i)
            sqlite3_bind_text(insert.get(), static_cast<int>(i + 1), parameters[i].c_str(), -1,
                              SQLITE_TRANSIENT);
        sqlite3_bind_text(insert.get(), 5, column.c_str(), -1, SQLITE_TRANSIENT);
        written = written && sqlite3_step(insert.get()) == SQLITE_DONE;
        sqlite3_reset(insert.get());
    }
    insert.reset();
    if (!written || sqlite3_close(db_.get()) != SQLITE_OK)
        fail();
    (void)db_.release(); // closed
    std::error_code error;
    std::filesystem::rename(draft_, file_, error);
    if (error)
        detail::fail(DataError::CopyNotKept, {utf8Path(file_), error.message()});
}

} // namespace veltra::detail

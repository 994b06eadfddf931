#include "sqlite/Connection.h"

#include "Engine.h"
#include "Errors.h"
#include "access/AccessFile.h"
#include "dialect/Safety.h"
#include "sqlite/CheckedFiles.h"
#include "sqlite/CopyFolder.h"
#include "sqlite/SqliteErrors.h"
#include "sqlite/SqliteFunctions.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#include <algorithm>
#include <sqlite3.h>

namespace veltra::detail {

std::string readOnlyUri(const std::string& path) {
    std::string uri = "file:";
#ifdef _WIN32
    // A path from a drive is written as SQLite reads it on Windows: file:///C:/folder/file.
    if (path.size() > 1 && path[1] == ':')
        uri += "///";
#endif
    for (char c : path) {
#ifdef _WIN32
        if (c == '\\')
            c = '/';
#endif
        if (c == '?' || c == '#' || c == '%') {
            constexpr char hex[] = "0123456789ABCDEF";
            uri += '%';
            uri += hex[(static_cast<unsigned char>(c) >> 4) & 0xF];
            uri += hex[static_cast<unsigned char>(c) & 0xF];
        } else {
            uri += c;
        }
    }
    return uri + "?mode=ro";
}

SqliteConnection::SqliteConnection(const String& path, const String& connect)
    : path_(path), connect_(connect) {
    const std::string file = toUtf8(path);
    access_ = fileKindOf(file) == FileKind::Access;
    if (access_ && !accessSupported())
        detail::fail(DataError::AccessNotBuilt, {file});
    // An Access file's tables are read into copy files, attached to an empty database.
    sqlite3* opened = nullptr;
    const int code =
        access_ ? sqlite3_open_v2(":memory:", &opened,
                                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI |
                                      SQLITE_OPEN_NOMUTEX,
                                  nullptr)
                : sqlite3_open_v2(readOnlyUri(file).c_str(), &opened,
                                  SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                                  nullptr);
    db_.reset(opened);
    if (code != SQLITE_OK) {
        if (code == SQLITE_CANTOPEN)
            detail::fail(DataError::FileNotFound, {file});
        detail::fail(DataError::NotADatabase, {file});
    }
    sqlite3_busy_timeout(db_.get(), 250);
    sqlite3_limit(db_.get(), SQLITE_LIMIT_SQL_LENGTH, 1'000'000);
    // No value read or made by a statement grows past this: a row of the file with a bigger
    // one fails to be read (3047) instead of taking the program's memory.
    sqlite3_limit(db_.get(), SQLITE_LIMIT_LENGTH, kMaxRowBytes);
    // A name in double quotes is a name, never a text when no column has it.
    sqlite3_db_config(db_.get(), SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db_.get(), SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_limit(db_.get(), SQLITE_LIMIT_ATTACHED, 10); // copy files; record sources cannot attach
    registerDialect(db_.get());
    registerCheckedFiles(); // the copies' pages are checked as they are read
    sqlite3_progress_handler(
        db_.get(), 10'000,
        [](void* self) {
            return std::chrono::steady_clock::now() >
                           static_cast<SqliteConnection*>(self)->deadline_
                       ? 1
                       : 0;
        },
        this);
    sqlite3_set_authorizer(
        db_.get(),
        [](void* self, int action, const char* object, const char* function, const char*,
           const char*) {
            // User statements read the file's tables and call the dialect's functions,
            // nothing else: no writes, ATTACH, PRAGMA or transactions, no other function and
            // no reading of the schema, whatever their text holds.
            if (static_cast<SqliteConnection*>(self)->ownWork_)
                return SQLITE_OK;
            switch (action) {
            case SQLITE_READ:
                return object && std::string_view(object).starts_with("sqlite_") ? SQLITE_DENY
                                                                                 : SQLITE_OK;
            case SQLITE_FUNCTION:
                return function && (dialect::isAllowedFunction(dialect::asciiLower(function)) ||
                                    std::string_view(function) == kLikeFunction)
                           ? SQLITE_OK
                           : SQLITE_DENY;
            case SQLITE_SELECT:
            case SQLITE_RECURSIVE:
                return SQLITE_OK;
            default:
                return SQLITE_DENY;
            }
        },
        this);
    {
        const OwnWork ownWork(*this);
        execute("PRAGMA query_only = 1");
    }
    stamp_ = identifyFile(file);
    dataVersion_ = dataVersion();
    openedId_ = stamp_.id;
    std::error_code ignored;
    absolutePath_ =
        utf8Path(std::filesystem::absolute(pathOfUtf8(file), ignored).lexically_normal());
}

SqliteConnection::~SqliteConnection() = default;

bool SqliteConnection::opens(const String& path, const String& connect) const {
    return path == path_ && connect == connect_ && identifyFile(toUtf8(path_)).id == openedId_;
}

void SqliteConnection::fail(int code, const std::vector<std::string>& parameters) const {
    throwSqliteError(code, sqlite3_errmsg(db_.get()), toUtf8(path_), parameters);
}

void SqliteConnection::execute(const std::string& sql) {
    const int code = sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        fail(code);
}

// Read at each use: the version that a copy must hold is the file as it is now.
CopyOrigin SqliteConnection::originOf(const std::string& table) const {
    return {absolutePath_, versionOf(absolutePath_), table};
}

std::optional<std::filesystem::path> SqliteConnection::copyFileFor(const std::string& table) {
    if (copyFolder_.empty()) {
        if (const auto folder = userCopyFolder()) {
            copyFolder_ = *folder;
        } else {
            try {
                fallbackFolder_ = std::make_unique<TemporaryFolder>("veltra-copies");
                copyFolder_ = fallbackFolder_->path();
            } catch (const std::exception&) {
                return std::nullopt; // no folder takes copies: searches read the file
            }
        }
    }
    return copyFolder_ / copyFileName(absolutePath_, table);
}

SqliteConnection::Attachment SqliteConnection::attachCopy(const std::filesystem::path& file,
                                                          const CopyOrigin& origin) {
    std::error_code missing;
    if (!std::filesystem::is_regular_file(file, missing))
        return {};
    if (!isOwnCopy(file)) {
        std::filesystem::remove(file, missing);
        return {};
    }
    const OwnWork ownWork(*this);
    if (!makeRoomToAttach())
        return {std::nullopt, true};
    AttachedCopy copy{"veltra_copy_" + std::to_string(++copiesMade_), {}};
    if (!runStatement(db_.get(), "ATTACH ?1 AS " + copy.schema, {copyUri(file)}, {}))
        return {};
    bool holds = false;
    const bool readable = runStatement(
        db_.get(), copyColumnsQuery(copy.schema), originParameters(origin), [&](sqlite3_stmt* row) {
            holds = true;
            if (const auto* column = sqlite3_column_text(row, 0); column && *column)
                copy.foldedColumns.insert(reinterpret_cast<const char*>(column));
        });
    if (readable && holds) {
        // Nothing writes a copy file in place (a new copy takes its place under the same
        // name), so the read lock is kept rather than taken again by every statement.
        sqlite3_exec(db_.get(), ("PRAGMA " + copy.schema + ".locking_mode = EXCLUSIVE").c_str(),
                     nullptr, nullptr, nullptr);
        attached_[copy.schema] = uses_;
        return {std::move(copy)};
    }
    sqlite3_exec(db_.get(), ("DETACH " + copy.schema).c_str(), nullptr, nullptr, nullptr);
    if (!readable)
        std::filesystem::remove(file, missing); // damaged: made again by whoever needs it
    return {};
}

// Frees a place among the attached databases: copies no statement uses any more first,
// then the copy least used lately, unless the statement being written uses it.
bool SqliteConnection::makeRoomToAttach() {
    const int limit = sqlite3_limit(db_.get(), SQLITE_LIMIT_ATTACHED, -1);
    const auto full = [&] {
        return static_cast<int>(attached_.size() + staleCopies_.size()) >= limit;
    };
    detachStaleCopies();
    if (!full())
        return true;
    stopOtherReaders(nullptr);
    detachStaleCopies();
    while (full()) {
        const auto oldest =
            std::min_element(attached_.begin(), attached_.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        if (oldest == attached_.end() || oldest->second == uses_ ||
            sqlite3_exec(db_.get(), ("DETACH " + oldest->first).c_str(), nullptr, nullptr,
                         nullptr) != SQLITE_OK)
            return false;
        attached_.erase(oldest);
    }
    return true;
}

void SqliteConnection::touch(const std::string& schema) {
    if (const auto copy = attached_.find(schema); copy != attached_.end())
        copy->second = uses_;
}

void SqliteConnection::detachStaleCopies() {
    if (staleCopies_.empty())
        return;
    const OwnWork ownWork(*this);
    std::erase_if(staleCopies_, [&](const std::string& schema) {
        if (sqlite3_exec(db_.get(), ("DETACH " + schema).c_str(), nullptr, nullptr, nullptr) !=
            SQLITE_OK)
            return false;
        attached_.erase(schema);
        return true;
    });
}

void SqliteConnection::discardCopies() {
    stopOtherReaders(nullptr);
    foldedCopies_.discard(*this);
    accessCopies_.discard(*this);
    detachStaleCopies();
}

// The commits to the file that this connection has seen: another program's commit changes
// it, also one still in the write-ahead log, which leaves the file itself as it was.
long long SqliteConnection::dataVersion() {
    if (access_)
        return 0;
    const OwnWork ownWork(*this);
    const auto version = prepare("PRAGMA main.data_version", {});
    return sqlite3_step(version.get()) == SQLITE_ROW ? sqlite3_column_int64(version.get(), 0) : 0;
}

// Copies of a file that has changed since they were made are out of date: later
// statements read new copies. An old copy is detached once no reader uses it any more.
void SqliteConnection::forgetCopiesIfFileChanged() {
    const FileIdentity now = identifyFile(toUtf8(path_));
    const long long version = dataVersion();
    if (!(now == stamp_) || version != dataVersion_) {
        stamp_ = now;
        dataVersion_ = version;
        foldedCopies_.forget(*this);
        accessCopies_.forget(*this);
    }
    detachStaleCopies();
}

dialect::Translation SqliteConnection::translate(std::string_view statement) const {
    return sqliteTranslation(statement,
                             [this](const std::string& table) { return hasRowId(table); });
}

// A view and a WITHOUT ROWID table have no row id; an Access file's tables are read into
// copies, which have.
bool SqliteConnection::hasRowId(const std::string& table) const {
    return access_ ||
           sqlite3_table_column_metadata(db_.get(), "main", table.c_str(), "rowid", nullptr,
                                         nullptr, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<std::string> SqliteConnection::indexLeadingWith(const std::string& table,
                                                              const std::string& column,
                                                              std::string_view collation) {
    const OwnWork ownWork(*this);
    const auto indexes =
        prepare("SELECT name FROM pragma_index_list(?1, 'main') WHERE partial = 0", {table});
    while (sqlite3_step(indexes.get()) == SQLITE_ROW) {
        std::string index = reinterpret_cast<const char*>(sqlite3_column_text(indexes.get(), 0));
        const auto first = prepare(
            "SELECT name, coll FROM pragma_index_xinfo(?1, 'main') WHERE seqno = 0", {index});
        if (sqlite3_step(first.get()) != SQLITE_ROW)
            continue;
        const auto* name = sqlite3_column_text(first.get(), 0);
        const auto* coll = sqlite3_column_text(first.get(), 1);
        if (name && coll && dialect::sameName(reinterpret_cast<const char*>(name), column) &&
            dialect::sameName(reinterpret_cast<const char*>(coll), collation))
            return index;
    }
    return std::nullopt;
}

SqliteConnection::Rendered SqliteConnection::render(const dialect::Translation& translation,
                                                    CopyWait wait) {
    ++uses_;
    forgetCopiesIfFileChanged();
    CopiesToRead copies;
    if (access_)
        copies.tables = accessCopies_.readFrom(*this, translation);
    else
        copies = foldedCopies_.readFrom(*this, translation, wait);
    return {translation.render(copies.tables), copies.beingMade, !copies.tables.empty()};
}

PooledStatement SqliteConnection::prepare(const dialect::Translation& translation, CopyWait wait) {
    return prepare(render(translation, wait).sql, translation.parameters());
}

PooledStatement SqliteConnection::prepare(const std::string& sql,
                                          const std::vector<std::string>& parameters) {
    const Purpose purpose = ownWork_ ? Purpose::OwnWork : Purpose::RecordSource;
    sqlite::Statement statement = pool_.take(purpose, sql);
    if (!statement) {
        statement = sqlite::prepare(db_.get(), sql);
        if (!statement)
            fail(sqlite3_errcode(db_.get()), parameters);
    }
    for (std::size_t i = 0; i < parameters.size(); ++i)
        sqlite3_bind_text(statement.get(), static_cast<int>(i + 1), parameters[i].c_str(),
                          static_cast<int>(parameters[i].size()), SQLITE_TRANSIENT);
    return PooledStatement(&pool_, purpose, sql, std::move(statement));
}

int SqliteConnection::step(sqlite3_stmt* statement) {
    deadline_ = std::chrono::steady_clock::now() + statementLimit_;
    const int code = sqlite3_step(statement);
    deadline_ = std::chrono::steady_clock::time_point::max();
    return code;
}

void SqliteConnection::stopOtherReaders(const Reader* keep) {
    const auto readers = readers_; // stopping one may end it
    for (auto* reader : readers)
        if (reader != keep)
            reader->stopReading();
}

std::string SqliteConnection::queryPlan(const dialect::Translation& translation) {
    const auto statement = prepare(translation, CopyWait::UntilMade);
    const std::string sql = sqlite3_sql(statement.get());
    const OwnWork ownWork(*this);
    const auto plan = prepare("EXPLAIN QUERY PLAN " + sql, translation.parameters());
    std::string text;
    while (sqlite3_step(plan.get()) == SQLITE_ROW)
        text +=
            std::string(reinterpret_cast<const char*>(sqlite3_column_text(plan.get(), 3))) + "\n";
    return text;
}

} // namespace veltra::detail

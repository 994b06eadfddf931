#include "data/Connection.h"

#include "data/AccessFile.h"
#include "data/SqliteErrors.h"
#include "data/SqliteFunctions.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#include <sqlite3.h>

namespace veltra::detail {

namespace {

// A URI for the file that opens it read-only; the path's own ?, # and % are escaped.
std::string readOnlyUri(const std::string& path) {
    std::string uri = "file:";
    for (const char c : path) {
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

} // namespace

SqliteConnection::SqliteConnection(const String& path, const String& connect)
    : path_(path), connect_(connect) {
    const std::string file = toUtf8(path);
    access_ = fileKindOf(file) == FileKind::Access;
    if (access_ && !accessSupported())
        throw Error(ErrorNumber::NotADatabase,
                    "Este programa foi construído sem a leitura de arquivos do Access ('" + file +
                        "').");
    // An Access file is read into a database of the connection's own, in memory.
    const int code =
        access_ ? sqlite3_open_v2(":memory:", &db_,
                                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                  nullptr)
                : sqlite3_open_v2(readOnlyUri(file).c_str(), &db_,
                                  SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                                  nullptr);
    if (code != SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
        if (code == SQLITE_CANTOPEN)
            throw Error(ErrorNumber::FileNotFound,
                        "Não foi possível encontrar o arquivo '" + file + "'.");
        throw Error(ErrorNumber::NotADatabase,
                    "Formato de banco de dados não reconhecido '" + file + "'.");
    }
    sqlite3_busy_timeout(db_, 250);
    sqlite3_limit(db_, SQLITE_LIMIT_SQL_LENGTH, 1'000'000);
    sqlite3_limit(db_, SQLITE_LIMIT_ATTACHED, 0);
    registerDialect(db_);
    sqlite3_set_authorizer(
        db_,
        [](void* self, int action, const char* object, const char*, const char*, const char*) {
            // User statements read the file's tables and call functions, nothing else: no
            // writes, ATTACH, PRAGMA or transactions, and no reading of the schema,
            // whatever their text holds.
            if (static_cast<SqliteConnection*>(self)->ownWork_)
                return SQLITE_OK;
            switch (action) {
            case SQLITE_READ:
                return object && std::string_view(object).starts_with("sqlite_") ? SQLITE_DENY
                                                                                 : SQLITE_OK;
            case SQLITE_SELECT:
            case SQLITE_FUNCTION:
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
    openedId_ = stamp_.id;
}

SqliteConnection::~SqliteConnection() {
    pool_.clear();
    sqlite3_close_v2(db_);
}

bool SqliteConnection::opens(const String& path, const String& connect) const {
    return path == path_ && connect == connect_ && identifyFile(toUtf8(path_)).id == openedId_;
}

void SqliteConnection::fail(int code, const std::vector<std::string>& parameters) const {
    throwSqliteError(code, sqlite3_errmsg(db_), toUtf8(path_), parameters);
}

void SqliteConnection::execute(const std::string& sql) {
    const int code = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        fail(code);
}

SqliteConnection::WritableMoment::WritableMoment(SqliteConnection& connection)
    : ownWork_(connection), connection_(connection) {
    connection_.execute("PRAGMA query_only = 0");
}

// Never throws: a failure to turn read-only again leaves the connection to the authorizer,
// which refuses every write of a record source anyway.
SqliteConnection::WritableMoment::~WritableMoment() {
    sqlite3_exec(connection_.db_, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
}

// Copies of a file that has changed since they were made are out of date: later
// statements read new copies. An old copy is dropped once no reader uses it any more.
void SqliteConnection::forgetCopiesIfFileChanged() {
    const FileIdentity now = identifyFile(toUtf8(path_));
    if (!(now == stamp_)) {
        stamp_ = now;
        ++generation_;
        foldedCopies_.forget(staleCopies_);
        accessCopies_.forget(staleCopies_);
    }
    if (staleCopies_.empty())
        return;
    const WritableMoment writable(*this);
    std::erase_if(staleCopies_, [&](const std::string& name) {
        return sqlite3_exec(db_, ("DROP TABLE IF EXISTS " + name).c_str(), nullptr, nullptr,
                            nullptr) == SQLITE_OK;
    });
}

PooledStatement SqliteConnection::prepare(const dialect::Translation& translation) {
    forgetCopiesIfFileChanged();
    const auto readFrom = access_ ? accessCopies_.readFrom(*this, translation)
                                  : foldedCopies_.readFrom(*this, translation);
    return prepare(translation.render(readFrom), translation.parameters());
}

PooledStatement SqliteConnection::prepare(const std::string& sql,
                                          const std::vector<std::string>& parameters) {
    const Purpose purpose = ownWork_ ? Purpose::OwnWork : Purpose::RecordSource;
    sqlite3_stmt* statement = pool_.take(purpose, sql);
    if (!statement) {
        const char* tail = nullptr;
        const int code =
            sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement, &tail);
        if (code != SQLITE_OK)
            fail(code, parameters);
        const auto refuse = [&](int number, const std::string& description) {
            sqlite3_finalize(statement);
            throw Error(number, description);
        };
        if (!statement)
            refuse(ErrorNumber::InvalidRecordSource, "Instrução SQL vazia.");
        if (tail && std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos)
            refuse(ErrorNumber::TextAfterStatement,
                   "Caracteres encontrados após o fim da instrução SQL.");
        if (!sqlite3_stmt_readonly(statement) && purpose == Purpose::RecordSource)
            refuse(ErrorNumber::ReadOnly,
                   "Não é possível atualizar. Banco de dados ou objeto somente leitura.");
    }
    for (std::size_t i = 0; i < parameters.size(); ++i)
        sqlite3_bind_text(statement, static_cast<int>(i + 1), parameters[i].c_str(),
                          static_cast<int>(parameters[i].size()), SQLITE_TRANSIENT);
    return PooledStatement(&pool_, purpose, sql, statement);
}

void SqliteConnection::stopOtherReaders(const Reader* keep) {
    const auto readers = readers_; // stopping one may end it
    for (auto* reader : readers)
        if (reader != keep)
            reader->stopReading();
}

std::string SqliteConnection::queryPlan(const dialect::Translation& translation) {
    const auto statement = prepare(translation);
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

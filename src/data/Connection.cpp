#include "data/Connection.h"

#include "data/AccessFile.h"
#include "data/Folding.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#include <algorithm>
#include <optional>
#include <sqlite3.h>
#include <utility>

namespace veltra::detail {

namespace {

constexpr std::size_t kMaxPooledStatements = 32;

[[noreturn]] void fail(int number, const std::string& description) {
    throw Error(number, description);
}

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

std::string textOf(sqlite3_value* value) {
    const auto* text = sqlite3_value_text(value);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_value_bytes(value)))
                : std::string();
}

int collateFolded(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return dialect::compareFolded(
        std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(lengthA)),
        std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lengthB)));
}

// veltra_like(value, pattern): the residual match of a like pattern. The compiled pattern
// is kept with the statement while the pattern argument stays the same.
void likeFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL ||
        sqlite3_value_type(arguments[1]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    auto* pattern = static_cast<dialect::LikePattern*>(sqlite3_get_auxdata(context, 1));
    if (!pattern) {
        try {
            pattern = new dialect::LikePattern(textOf(arguments[1]));
        } catch (const std::exception&) {
            return sqlite3_result_error(context, "invalid like pattern", -1);
        }
        sqlite3_set_auxdata(context, 1, pattern,
                            [](void* p) { delete static_cast<dialect::LikePattern*>(p); });
        pattern = static_cast<dialect::LikePattern*>(sqlite3_get_auxdata(context, 1));
        if (!pattern)
            return sqlite3_result_error_nomem(context);
    }
    sqlite3_result_int(context, pattern->matches(textOf(arguments[0])) ? 1 : 0);
}

void cstrFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    switch (sqlite3_value_type(arguments[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(context);
    case SQLITE_FLOAT: {
        const std::string text = shortestNumber(sqlite3_value_double(arguments[0]));
        return sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
    }
    default: {
        const std::string text = textOf(arguments[0]);
        return sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
    }
    }
}

void valFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    switch (sqlite3_value_type(arguments[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(context);
    case SQLITE_INTEGER:
        return sqlite3_result_int64(context, sqlite3_value_int64(arguments[0]));
    case SQLITE_FLOAT:
        return sqlite3_result_double(context, sqlite3_value_double(arguments[0]));
    default:
        break;
    }
    const auto number = dialect::val(textOf(arguments[0]));
    if (const auto* whole = std::get_if<std::int64_t>(&number))
        sqlite3_result_int64(context, *whole);
    else
        sqlite3_result_double(context, std::get<double>(number));
}

void registerDialect(sqlite3* db) {
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_collation_v2(db, dialect::kCollation, SQLITE_UTF8, nullptr, collateFolded,
                                nullptr);
    sqlite3_create_function_v2(db, dialect::kLikeFunction, 2, flags, nullptr, likeFunction, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "cstr", 1, flags, nullptr, cstrFunction, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "val", 1, flags, nullptr, valFunction, nullptr, nullptr,
                               nullptr);
}

// The SQLite messages that a statement can cause, each with its number and its own
// description; the subject of the message (a name, a token) goes into the description
// whole, without the quoting around it.
struct KnownMessage {
    std::string_view prefix;
    std::string_view suffix;
    int number;
    std::string_view opening;
    std::string_view closing;
};

constexpr KnownMessage kKnownMessages[] = {
    {"no such table: ", "", ErrorNumber::TableNotFound,
     "O mecanismo de banco de dados não encontrou a tabela '", "'."},
    {"no such column: ", "", ErrorNumber::UnknownColumn, "Coluna desconhecida: ", "."},
    {"no such function: ", "", ErrorNumber::UnknownFunction, "Função '",
     "' indefinida na expressão."},
    {"wrong number of arguments to function ", "()", ErrorNumber::UnknownFunction,
     "Número incorreto de argumentos usados com a função '", "' na expressão."},
    {"ambiguous column name: ", "", ErrorNumber::OtherFailure, "O campo '",
     "' pode se referir a mais de uma tabela listada na cláusula FROM da instrução SQL."},
    {"near \"", "\": syntax error", ErrorNumber::SyntaxError,
     "Erro de sintaxe na instrução SQL perto de \"", "\"."},
    {"unrecognized token: \"", "\"", ErrorNumber::SyntaxError,
     "Erro de sintaxe na instrução SQL: símbolo não reconhecido '", "'."},
    {"incomplete input", "", ErrorNumber::SyntaxError, "Instrução SQL incompleta.", ""},
};

// The subject of a message of that form, or nothing when the message has another form. A
// subject that is a bound parameter ("?2") is shown as the text literal the developer wrote.
std::optional<std::string> subjectOf(const std::string& message, const KnownMessage& known,
                                     const std::vector<std::string>& parameters) {
    if (!message.starts_with(known.prefix) || !message.ends_with(known.suffix) ||
        message.size() < known.prefix.size() + known.suffix.size())
        return std::nullopt;
    std::string subject = message.substr(known.prefix.size(), message.size() - known.prefix.size() -
                                                                  known.suffix.size());
    if (subject.size() > 1 && subject.size() < 6 && subject[0] == '?' &&
        subject.find_first_not_of("0123456789", 1) == std::string::npos) {
        const auto index = static_cast<std::size_t>(std::stoi(subject.substr(1)));
        if (index >= 1 && index <= parameters.size())
            return "'" + parameters[index - 1] + "'";
    }
    return subject;
}

// The copy of an Access table: its columns with the kinds the reader gives them.
std::string createCopyStatement(const std::string& qualified,
                                const std::vector<AccessColumn>& columns) {
    std::string create = "CREATE TABLE " + qualified + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const char* type = columns[i].type == 'I'   ? "INTEGER"
                           : columns[i].type == 'F' ? "REAL"
                                                    : "TEXT";
        create += (i ? ", " : "") + dialect::quoteName(columns[i].name) + " " + type;
    }
    return create + ")";
}

std::string insertStatement(const std::string& qualified, std::size_t columns) {
    std::string values;
    for (std::size_t i = 0; i < columns; ++i)
        values += i ? ", ?" : "?";
    return "INSERT INTO " + qualified + " VALUES (" + values + ")";
}

// The index in the folded collation through which searches on a column of a copy go.
std::string foldedIndexStatement(const std::string& schema, const std::string& table,
                                 const std::string& column) {
    return "CREATE INDEX IF NOT EXISTS " + schema + "." +
           dialect::quoteName(table + "$" + dialect::asciiLower(column)) + " ON " +
           dialect::quoteName(table) + " (" + dialect::quoteName(column) + " COLLATE " +
           dialect::kCollation + ")";
}

void bindRow(sqlite3_stmt* insert, const std::vector<AccessValue>& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int at = static_cast<int>(i + 1);
        if (const auto* whole = std::get_if<std::int64_t>(&row[i]))
            sqlite3_bind_int64(insert, at, *whole);
        else if (const auto* number = std::get_if<double>(&row[i]))
            sqlite3_bind_double(insert, at, *number);
        else if (const auto* text = std::get_if<std::string>(&row[i]))
            sqlite3_bind_text(insert, at, text->data(), static_cast<int>(text->size()),
                              SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(insert, at);
    }
}

} // namespace

// Lets the connection run its own statements (building copies, reading the schema) past
// the guards that user statements meet.
class SqliteConnection::Internal {
  public:
    explicit Internal(SqliteConnection& connection) : connection_(connection) {
        connection_.internal_ = true;
    }
    ~Internal() { connection_.internal_ = false; }
    Internal(const Internal&) = delete;
    Internal& operator=(const Internal&) = delete;

  private:
    SqliteConnection& connection_;
};

PooledStatement& PooledStatement::operator=(PooledStatement&& other) noexcept {
    if (this != &other) {
        release();
        owner_ = std::exchange(other.owner_, nullptr);
        sql_ = std::move(other.sql_);
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

void PooledStatement::release() {
    if (statement_ && owner_)
        owner_->giveBack(sql_, statement_);
    else if (statement_)
        sqlite3_finalize(statement_);
    statement_ = nullptr;
    owner_ = nullptr;
}

SqliteConnection::SqliteConnection(const String& path, const String& connect)
    : path_(path), connect_(connect) {
    const std::string file = toUtf8(path);
    access_ = fileKindOf(file) == FileKind::Access;
    if (access_ && !accessSupported())
        veltra::detail::fail(ErrorNumber::NotADatabase,
                             "Este programa foi construído sem a leitura de arquivos do Access ('" +
                                 file + "').");
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
            veltra::detail::fail(ErrorNumber::FileNotFound,
                                 "Não foi possível encontrar o arquivo '" + file + "'.");
        veltra::detail::fail(ErrorNumber::NotADatabase,
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
            if (static_cast<SqliteConnection*>(self)->internal_)
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
        Internal internal(*this);
        execute("PRAGMA query_only = 1");
    }
    stamp_ = stamp();
    openedInode_ = stamp_.inode;
}

SqliteConnection::~SqliteConnection() {
    for (auto& [sql, statements] : pool_)
        for (auto* statement : statements)
            sqlite3_finalize(statement);
    sqlite3_close_v2(db_);
}

void SqliteConnection::fail(int code, const std::vector<std::string>& parameters) const {
    const std::string message = sqlite3_errmsg(db_);
    const std::string file = toUtf8(path_);
    switch (code & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        veltra::detail::fail(ErrorNumber::NotADatabase,
                             "Formato de banco de dados não reconhecido '" + file + "'.");
    case SQLITE_CANTOPEN:
        veltra::detail::fail(ErrorNumber::FileNotFound,
                             "Não foi possível encontrar o arquivo '" + file + "'.");
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        veltra::detail::fail(ErrorNumber::ReadOnly, "Não é possível atualizar. Banco de dados ou "
                                                    "objeto somente leitura.");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        veltra::detail::fail(ErrorNumber::OtherFailure,
                             "O banco de dados '" + file + "' está bloqueado por outro processo.");
    default:
        break;
    }
    for (const auto& known : kKnownMessages) {
        if (const auto subject = subjectOf(message, known, parameters))
            veltra::detail::fail(known.number, std::string(known.opening) + *subject +
                                                   std::string(known.closing));
    }
    if (message.find("syntax error") != std::string::npos)
        veltra::detail::fail(ErrorNumber::SyntaxError,
                             "Erro de sintaxe na instrução SQL (" + message + ").");
    veltra::detail::fail(ErrorNumber::OtherFailure,
                         "Falha no mecanismo de banco de dados (" + message + ").");
}

void SqliteConnection::execute(const std::string& sql) {
    const int code = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        fail(code);
}

SqliteConnection::FileStamp SqliteConnection::stamp() const {
    struct stat status {};
    if (::stat(toUtf8(path_).c_str(), &status) != 0)
        return {};
    return {static_cast<long long>(status.st_size),
            static_cast<long long>(status.st_mtim.tv_sec) * 1'000'000'000LL +
                status.st_mtim.tv_nsec,
            static_cast<long long>(status.st_ino)};
}

// Copies of a file that has changed since they were made are out of date: later
// statements read new copies. An old copy is dropped once no reader uses it any more.
void SqliteConnection::forgetCopiesIfFileChanged() {
    Internal internal(*this);
    const FileStamp now = stamp();
    if (!(now == stamp_)) {
        stamp_ = now;
        ++generation_;
        foldedIndexes_.clear();
        for (const auto& [name, columns] : copies_)
            staleCopies_.push_back("temp." + dialect::quoteName(name));
        copies_.clear();
        for (const auto& [name, qualified] : accessLoaded_)
            staleCopies_.push_back(qualified);
        accessLoaded_.clear();
        accessTableNames_.clear();
        accessFailure_.reset();
    }
    if (staleCopies_.empty())
        return;
    execute("PRAGMA query_only = 0");
    std::erase_if(staleCopies_, [&](const std::string& name) {
        return sqlite3_exec(db_, ("DROP TABLE IF EXISTS " + name).c_str(), nullptr, nullptr,
                            nullptr) == SQLITE_OK;
    });
    execute("PRAGMA query_only = 1");
}

bool SqliteConnection::hasFoldedIndex(const std::string& table, const std::string& column) {
    const std::string key = dialect::asciiLower(table) + '\n' + dialect::asciiLower(column);
    if (const auto known = foldedIndexes_.find(key); known != foldedIndexes_.end())
        return known->second;
    bool found = false;
    const auto indexes = prepare("SELECT name FROM pragma_index_list(?1, 'main')", {table});
    while (!found && sqlite3_step(indexes.get()) == SQLITE_ROW) {
        const std::string index =
            reinterpret_cast<const char*>(sqlite3_column_text(indexes.get(), 0));
        const auto first = prepare("SELECT name, coll FROM pragma_index_xinfo(?1, 'main') "
                                   "WHERE seqno = 0",
                                   {index});
        if (sqlite3_step(first.get()) == SQLITE_ROW) {
            const auto* name = sqlite3_column_text(first.get(), 0);
            const auto* collation = sqlite3_column_text(first.get(), 1);
            found = name && collation &&
                    dialect::asciiLower(reinterpret_cast<const char*>(name)) ==
                        dialect::asciiLower(column) &&
                    dialect::asciiLower(reinterpret_cast<const char*>(collation)) ==
                        dialect::kCollation;
        }
    }
    foldedIndexes_[key] = found;
    return found;
}

// The columns of one table that the statement searches or sorts by and that the file has
// no folded-text index for.
std::vector<std::string> SqliteConnection::columnsToIndex(const dialect::Translation& translation,
                                                          const dialect::TableReference& table) {
    const auto names = [](const std::string& a, const std::string& b) {
        return dialect::asciiLower(a) == dialect::asciiLower(b);
    };
    const bool single = translation.tables().size() == 1;
    std::vector<std::string> columns;
    for (const auto& searched : translation.searchedColumns()) {
        const bool ours =
            searched.qualifier.empty()
                ? single || sqlite3_table_column_metadata(db_, "main", table.name.c_str(),
                                                          searched.column.c_str(), nullptr, nullptr,
                                                          nullptr, nullptr, nullptr) == SQLITE_OK
                : names(searched.qualifier, table.alias.empty() ? table.name : table.alias);
        const bool exists =
            sqlite3_table_column_metadata(db_, "main", table.name.c_str(), searched.column.c_str(),
                                          nullptr, nullptr, nullptr, nullptr, nullptr) == SQLITE_OK;
        if (ours && exists && !hasFoldedIndex(table.name, searched.column) &&
            std::none_of(columns.begin(), columns.end(),
                         [&](const std::string& c) { return names(c, searched.column); }))
            columns.push_back(searched.column);
    }
    return columns;
}

// The copy has the table's columns with their declared types; a column that is the
// table's integer primary key stays the copy's row id, so that an index of the copy covers
// the key column as the table's own index does.
std::string SqliteConnection::copyDefinition(const std::string& table, const std::string& copy) {
    struct Column {
        std::string name;
        std::string type;
        bool key;
    };
    std::vector<Column> columns;
    const auto info =
        prepare("SELECT name, type, pk FROM pragma_table_info(?1, 'main') ORDER BY cid", {table});
    while (sqlite3_step(info.get()) == SQLITE_ROW) {
        const auto text = [&](int c) {
            const auto* value = sqlite3_column_text(info.get(), c);
            return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
        };
        columns.push_back({text(0), text(1), sqlite3_column_int(info.get(), 2) > 0});
    }
    const bool rowIdKey =
        std::count_if(columns.begin(), columns.end(), [](const Column& c) { return c.key; }) == 1;
    std::string sql = "CREATE TEMP TABLE " + dialect::quoteName(copy) + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto& column = columns[i];
        sql += (i ? ", " : "") + dialect::quoteName(column.name) + " " + column.type;
        if (column.key && rowIdKey && dialect::asciiLower(column.type) == "integer")
            sql += " PRIMARY KEY";
    }
    return sql + ")";
}

// The connection's own copy of a table, with a folded-text index on each column given.
// The file itself is never written: the copy lives in the connection's temp schema.
std::string SqliteConnection::copyOf(const std::string& table,
                                     const std::vector<std::string>& columns) {
    const std::string name =
        "veltra$" + dialect::asciiLower(table) + "$" + std::to_string(generation_);
    auto& indexed = copies_[name];
    std::vector<std::string> missing;
    for (const auto& column : columns)
        if (!indexed.contains(dialect::asciiLower(column)))
            missing.push_back(column);
    if (indexed.empty() || !missing.empty()) {
        execute("PRAGMA query_only = 0");
        try {
            if (indexed.empty()) {
                execute(copyDefinition(table, name));
                execute("INSERT INTO temp." + dialect::quoteName(name) + " SELECT * FROM main." +
                        dialect::quoteName(table));
            }
            for (const auto& column : missing) {
                execute(foldedIndexStatement("temp", name, column));
                indexed.insert(dialect::asciiLower(column));
            }
        } catch (...) {
            execute("PRAGMA query_only = 1");
            throw;
        }
        execute("PRAGMA query_only = 1");
        if (indexed.empty())
            indexed.insert(""); // the copy exists, with no index yet
    }
    return "temp." + dialect::quoteName(name);
}

std::map<std::string, std::string>
SqliteConnection::readFromCopies(const dialect::Translation& translation) {
    Internal internal(*this);
    std::map<std::string, std::string> readFrom;
    for (const auto& table : translation.tables()) {
        if (sqlite3_table_column_metadata(db_, "main", table.name.c_str(), nullptr, nullptr,
                                          nullptr, nullptr, nullptr, nullptr) != SQLITE_OK)
            continue; // not a table of the file: the statement itself will say so
        const auto columns = columnsToIndex(translation, table);
        if (!columns.empty())
            readFrom[dialect::asciiLower(table.name)] = copyOf(table.name, columns);
    }
    return readFrom;
}

PooledStatement SqliteConnection::prepare(const dialect::Translation& translation) {
    forgetCopiesIfFileChanged();
    const auto readFrom = access_ ? loadAccessTablesOnce(translation) : readFromCopies(translation);
    return prepare(translation.render(readFrom), translation.parameters());
}

std::map<std::string, std::string>
SqliteConnection::loadAccessTablesOnce(const dialect::Translation& translation) {
    if (accessFailure_)
        throw *accessFailure_;
    try {
        return loadAccessTables(translation);
    } catch (const Error& error) {
        if (error.number() == ErrorNumber::NotADatabase)
            accessFailure_ = error;
        throw;
    }
}

std::map<std::string, std::string>
SqliteConnection::loadAccessTables(const dialect::Translation& translation) {
    Internal internal(*this);
    if (accessTableNames_.empty())
        accessTableNames_ = accessTables(toUtf8(path_));
    std::map<std::string, std::string> readFrom;
    for (const auto& table : translation.tables()) {
        const auto found = std::find_if(
            accessTableNames_.begin(), accessTableNames_.end(), [&](const std::string& name) {
                return dialect::asciiLower(name) == dialect::asciiLower(table.name);
            });
        if (found != accessTableNames_.end())
            readFrom[dialect::asciiLower(table.name)] = loadAccessTable(*found);
    }
    return readFrom;
}

// Reads the table in one transaction; a failure leaves nothing of it behind.
std::string SqliteConnection::loadAccessTable(const std::string& name) {
    const std::string key = dialect::asciiLower(name);
    if (const auto loaded = accessLoaded_.find(key); loaded != accessLoaded_.end())
        return loaded->second;
    const std::string local = "veltra$access$" + key + "$" + std::to_string(generation_);
    const std::string qualified = "main." + dialect::quoteName(local);
    std::vector<AccessColumn> columns;
    sqlite3_stmt* insert = nullptr;
    const auto createTable = [&](const std::vector<AccessColumn>& header) {
        columns = header;
        execute(createCopyStatement(qualified, header));
        const std::string sql = insertStatement(qualified, header.size());
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &insert, nullptr) != SQLITE_OK)
            fail(sqlite3_errcode(db_));
    };
    const auto insertRow = [&](const std::vector<AccessValue>& row) {
        bindRow(insert, row);
        if (sqlite3_step(insert) != SQLITE_DONE)
            fail(sqlite3_errcode(db_));
        sqlite3_reset(insert);
    };
    execute("PRAGMA query_only = 0");
    try {
        execute("BEGIN");
        readAccessTable(toUtf8(path_), name, createTable, insertRow);
        sqlite3_finalize(insert);
        insert = nullptr;
        for (const auto& column : columns)
            if (column.type == 'T')
                execute(foldedIndexStatement("main", local, column.name));
        execute("COMMIT");
    } catch (...) {
        sqlite3_finalize(insert);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        execute("PRAGMA query_only = 1");
        throw;
    }
    execute("PRAGMA query_only = 1");
    accessLoaded_[key] = qualified;
    return qualified;
}

PooledStatement SqliteConnection::prepare(const std::string& sql,
                                          const std::vector<std::string>& parameters) {
    sqlite3_stmt* statement = nullptr;
    if (auto pooled = pool_.find(sql); pooled != pool_.end() && !pooled->second.empty()) {
        statement = pooled->second.back();
        pooled->second.pop_back();
        --pooled_;
    } else {
        const char* tail = nullptr;
        const int code =
            sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement, &tail);
        if (code != SQLITE_OK)
            fail(code, parameters);
        const auto refuse = [&](int number, const std::string& description) {
            sqlite3_finalize(statement);
            veltra::detail::fail(number, description);
        };
        if (!statement)
            refuse(ErrorNumber::InvalidRecordSource, "Instrução SQL vazia.");
        if (tail && std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos)
            refuse(ErrorNumber::TextAfterStatement,
                   "Caracteres encontrados após o fim da instrução SQL.");
        if (!sqlite3_stmt_readonly(statement) && !internal_)
            refuse(ErrorNumber::ReadOnly,
                   "Não é possível atualizar. Banco de dados ou objeto somente leitura.");
    }
    for (std::size_t i = 0; i < parameters.size(); ++i)
        sqlite3_bind_text(statement, static_cast<int>(i + 1), parameters[i].c_str(),
                          static_cast<int>(parameters[i].size()), SQLITE_TRANSIENT);
    return PooledStatement(this, sql, statement);
}

void SqliteConnection::stopOtherReaders(const Reader* keep) {
    const auto readers = readers_; // stopping one may end it
    for (auto* reader : readers)
        if (reader != keep)
            reader->stopReading();
}

void SqliteConnection::giveBack(const std::string& sql, sqlite3_stmt* statement) {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (pooled_ >= kMaxPooledStatements) {
        sqlite3_finalize(statement);
        return;
    }
    pool_[sql].push_back(statement);
    ++pooled_;
}

std::string SqliteConnection::queryPlan(const dialect::Translation& translation) {
    const auto statement = prepare(translation);
    const std::string sql = sqlite3_sql(statement.get());
    Internal internal(*this);
    const auto plan = prepare("EXPLAIN QUERY PLAN " + sql, translation.parameters());
    std::string text;
    while (sqlite3_step(plan.get()) == SQLITE_ROW)
        text +=
            std::string(reinterpret_cast<const char*>(sqlite3_column_text(plan.get(), 3))) + "\n";
    return text;
}

} // namespace veltra::detail

#include "veltra/data/SqliteDataSource.h"

#include "veltra/Error.h"
#include "veltra/Text.h"

#include <algorithm>
#include <sqlite3.h>

namespace veltra {

namespace {

bool connectOpensFile(const String& connect) {
    return connect.empty() || connect.front() == u';' ||
           lowerCase(connect.substr(0, 6)) == u"access";
}

[[noreturn]] void fail(int number, const std::string& description) {
    throw Error(number, description);
}

std::string afterPrefix(const std::string& message, std::string_view prefix) {
    return message.substr(std::min(message.size(), prefix.size()));
}

// Turns SQLite's failure into the error numbers that the control and its developer know.
[[noreturn]] void failFromSqlite(sqlite3* db, int code, const std::string& path) {
    const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    const auto startsWith = [&](std::string_view prefix) { return message.starts_with(prefix); };
    if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
        fail(ErrorNumber::NotADatabase,
             "Formato de banco de dados não reconhecido '" + path + "'.");
    if (code == SQLITE_CANTOPEN)
        fail(ErrorNumber::FileNotFound, "Não foi possível encontrar o arquivo '" + path + "'.");
    if (code == SQLITE_READONLY || code == SQLITE_AUTH)
        fail(ErrorNumber::ReadOnly,
             "Não é possível atualizar. Banco de dados ou objeto somente leitura.");
    if (startsWith("no such table: "))
        fail(ErrorNumber::TableNotFound, "O mecanismo de banco de dados não encontrou a tabela '" +
                                             afterPrefix(message, "no such table: ") + "'.");
    if (startsWith("no such column: "))
        fail(ErrorNumber::UnknownColumn,
             "Coluna desconhecida: " + afterPrefix(message, "no such column: ") + ".");
    if (startsWith("no such function: "))
        fail(ErrorNumber::UnknownFunction, "Função '" + afterPrefix(message, "no such function: ") +
                                               "' indefinida na expressão.");
    if (message.find("syntax error") != std::string::npos || startsWith("incomplete input") ||
        startsWith("unrecognized token"))
        fail(ErrorNumber::SyntaxError, "Erro de sintaxe na instrução SQL (" + message + ").");
    fail(ErrorNumber::OtherFailure, message);
}

bool isBareName(const String& source) {
    return !source.empty() && std::all_of(source.begin(), source.end(), [](char16_t c) {
        return c == u'_' || (c >= u'0' && c <= u'9') || lowerCase(c) != upperCase(c) || c > 0x7F;
    });
}

Variant columnValue(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return Null{};
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    default: {
        const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(statement, column));
        const auto bytes = sqlite3_column_bytes16(statement, column);
        return String(text ? text : u"", static_cast<std::size_t>(bytes) / 2);
    }
    }
}

// Lets a statement read and call functions, nothing else: no writes, no ATTACH, no
// PRAGMA, no transactions, whatever the statement text holds.
int authorizeReadsOnly(void*, int action, const char*, const char*, const char*, const char*) {
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

} // namespace

// One open, read-only database file.
class detail::SqliteConnection {
  public:
    SqliteConnection(const String& path, const String& connect) : path_(path), connect_(connect) {
        const std::string file = toUtf8(path);
        const int code = sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
        if (code != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
            failFromSqlite(nullptr, code, file);
        }
        sqlite3_busy_timeout(db_, 250);
        sqlite3_set_authorizer(db_, authorizeReadsOnly, nullptr);
    }
    ~SqliteConnection() { sqlite3_close(db_); }
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    bool opens(const String& path, const String& connect) const {
        return path == path_ && connect == connect_;
    }
    sqlite3* handle() const { return db_; }
    const String& path() const { return path_; }

  private:
    String path_;
    String connect_;
    sqlite3* db_ = nullptr;
};

// Reads the rows of one prepared statement; keeps its connection open while rows remain.
class RowSet::Cursor {
  public:
    Cursor(std::shared_ptr<detail::SqliteConnection> connection, sqlite3_stmt* statement)
        : connection_(std::move(connection)), statement_(statement) {}
    ~Cursor() { sqlite3_finalize(statement_); }
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    // The next row, or nothing at the end of the result or on a failure to read it.
    std::optional<Row> next() {
        if (!statement_ || sqlite3_step(statement_) != SQLITE_ROW) {
            sqlite3_finalize(statement_);
            statement_ = nullptr;
            connection_.reset();
            return std::nullopt;
        }
        Row row;
        const int columns = sqlite3_column_count(statement_);
        row.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(columnValue(statement_, c));
        return row;
    }

  private:
    std::shared_ptr<detail::SqliteConnection> connection_;
    sqlite3_stmt* statement_;
};

RowSet::RowSet(std::vector<String> columns, std::unique_ptr<Cursor> cursor)
    : columns_(std::move(columns)), cursor_(std::move(cursor)) {
}

RowSet::~RowSet() = default;

std::optional<std::size_t> RowSet::columnIndex(std::u16string_view name) const {
    const String wanted = lowerCase(name);
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (lowerCase(columns_[i]) == wanted)
            return i;
    return std::nullopt;
}

bool RowSet::fetch(std::size_t index) {
    while (rows_.size() <= index && cursor_) {
        auto row = cursor_->next();
        if (!row) {
            cursor_.reset();
            break;
        }
        rows_.push_back(std::move(*row));
    }
    return index < rows_.size();
}

std::size_t RowSet::fetchAll() {
    fetch(static_cast<std::size_t>(-2));
    return rows_.size();
}

// The record set over the current RowSet. The row after the current one is always read,
// so that RecordCount counts a row that exists beyond the current one and navigation that
// checks the position against the count can step through a result of any size.
class SqliteDataSource::Records final : public Recordset {
  public:
    Records(SqliteDataSource& source, std::shared_ptr<RowSet> rows)
        : source_(source), rows_(std::move(rows)) {
        position_ = rows_->fetch(0) ? 0 : kBeforeFirst;
        readAhead();
    }

    Long RecordCount() override { return static_cast<Long>(rows_->fetchedCount()); }
    Long AbsolutePosition() override { return hasCurrent() ? static_cast<Long>(position_) : -1; }

    void MoveFirst() override { moveTo(0); }
    void MoveLast() override { moveTo(static_cast<long long>(rows_->fetchAll()) - 1); }
    void MoveNext() override {
        if (position_ != kBeforeFirst && !hasCurrent())
            noCurrentRecord();
        moveTo(position_ + 1, Bound::Allow);
    }
    void MovePrevious() override {
        if (position_ == kBeforeFirst)
            noCurrentRecord();
        moveTo(position_ - 1, Bound::Allow);
    }
    Variant Field(Integer index) override {
        if (!hasCurrent())
            noCurrentRecord();
        const auto& row = rows_->row(static_cast<std::size_t>(position_));
        if (index < 0 || static_cast<std::size_t>(index) >= row.size())
            fail(ErrorNumber::UnknownField, "Item não encontrado nesta coleção.");
        return row[static_cast<std::size_t>(index)];
    }

    std::optional<std::size_t> current() const {
        if (!hasCurrent())
            return std::nullopt;
        return static_cast<std::size_t>(position_);
    }

  private:
    static constexpr long long kBeforeFirst = -1;
    enum class Bound { Refuse, Allow };

    [[noreturn]] static void noCurrentRecord() {
        fail(ErrorNumber::NoCurrentRecord, "Nenhum registro atual.");
    }
    bool hasCurrent() const {
        return position_ >= 0 && static_cast<std::size_t>(position_) < rows_->fetchedCount();
    }
    void readAhead() {
        if (position_ >= 0)
            rows_->fetch(static_cast<std::size_t>(position_) + 1);
    }
    // Moving past either end leaves no current row (before the first or after the last);
    // a move to a row of an empty result fails.
    void moveTo(long long target, Bound bound = Bound::Refuse) {
        const bool exists = target >= 0 && rows_->fetch(static_cast<std::size_t>(target));
        if (!exists && bound == Bound::Refuse)
            noCurrentRecord();
        position_ = exists       ? target
                    : target < 0 ? kBeforeFirst
                                 : static_cast<long long>(rows_->fetchedCount());
        readAhead();
        source_.notifyCurrentRowChanged();
    }

    SqliteDataSource& source_;
    std::shared_ptr<RowSet> rows_;
    long long position_ = kBeforeFirst;
};

SqliteDataSource::SqliteDataSource() = default;
SqliteDataSource::~SqliteDataSource() = default;

void SqliteDataSource::RecordSource(const String& value) {
    recordSource_ = value;
    for (auto* listener : listeners_)
        listener->recordSourceAssigned(value);
}

void SqliteDataSource::openIfNeeded() {
    if (!connectOpensFile(connect_))
        fail(ErrorNumber::UnknownConnect, "Não foi possível encontrar um ISAM instalável.");
    if (databaseName_.empty())
        fail(ErrorNumber::FileNotFound, "Não foi possível encontrar o arquivo ''.");
    if (!connection_ || !connection_->opens(databaseName_, connect_))
        connection_ = std::make_shared<detail::SqliteConnection>(databaseName_, connect_);
}

void SqliteDataSource::Refresh() {
    std::shared_ptr<RowSet> rows;
    try {
        openIfNeeded();
        const String trimmed = trimSpaces(recordSource_);
        if (trimmed.empty())
            fail(ErrorNumber::InvalidRecordSource,
                 "Instrução SQL inválida; esperava-se 'DELETE', 'INSERT', 'PROCEDURE', "
                 "'SELECT' ou 'UPDATE'.");
        const String statementText = isBareName(trimmed) ? u"SELECT * FROM " + trimmed : trimmed;
        const std::string sql = toUtf8(statementText);
        sqlite3_stmt* statement = nullptr;
        const char* tail = nullptr;
        const int code = sqlite3_prepare_v2(connection_->handle(), sql.c_str(),
                                            static_cast<int>(sql.size()), &statement, &tail);
        if (code != SQLITE_OK)
            failFromSqlite(connection_->handle(), code, toUtf8(connection_->path()));
        auto cursor = std::make_unique<RowSet::Cursor>(connection_, statement);
        if (tail && std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos)
            fail(ErrorNumber::TextAfterStatement,
                 "Caracteres encontrados após o fim da instrução SQL.");
        if (!sqlite3_stmt_readonly(statement))
            fail(ErrorNumber::ReadOnly,
                 "Não é possível atualizar. Banco de dados ou objeto somente leitura.");
        std::vector<String> columns;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            const auto* name = static_cast<const char16_t*>(sqlite3_column_name16(statement, c));
            columns.emplace_back(name ? name : u"");
        }
        rows = std::make_shared<RowSet>(std::move(columns), std::move(cursor));
        rows->fetch(0);
    } catch (const Error&) {
        for (auto* listener : listeners_)
            listener->refreshed(false);
        throw;
    }
    rows_ = std::move(rows);
    records_ = std::make_unique<Records>(*this, rows_);
    for (auto* listener : listeners_)
        listener->refreshed(true);
    notifyCurrentRowChanged();
}

Recordset& SqliteDataSource::recordset() {
    if (!records_)
        fail(ErrorNumber::ObjectNotSet,
             "Variável de objeto ou variável do bloco With não definida.");
    return *records_;
}

std::optional<std::size_t> SqliteDataSource::currentRow() const {
    return records_ ? records_->current() : std::nullopt;
}

void SqliteDataSource::addListener(DataSourceListener* listener) {
    listeners_.push_back(listener);
}

void SqliteDataSource::removeListener(DataSourceListener* listener) {
    std::erase(listeners_, listener);
}

void SqliteDataSource::notifyCurrentRowChanged() {
    for (auto* listener : listeners_)
        listener->currentRowChanged();
}

} // namespace veltra

#include "veltra/data/SqliteDataSource.h"

#include "data/Connection.h"
#include "data/Dialect.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#include <algorithm>
#include <sqlite3.h>

namespace veltra {

namespace {

// Longer record sources are refused before they reach the database.
constexpr std::size_t kMaxStatementCharacters = 100'000;

[[noreturn]] void fail(int number, const std::string& description) {
    throw Error(number, description);
}

bool connectOpensFile(const String& connect) {
    return connect.empty() || connect.front() == u';' ||
           lowerCase(connect.substr(0, 6)) == u"access";
}

// A record source that is only a table name reads the whole table.
bool isBareName(const String& source) {
    if (source.size() > 2 && source.front() == u'[' && source.back() == u']')
        return source.find(u']') == source.size() - 1;
    return std::all_of(source.begin(), source.end(), [](char16_t c) {
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

RowSet::Row readRow(sqlite3_stmt* statement) {
    RowSet::Row row;
    const int columns = sqlite3_column_count(statement);
    row.reserve(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c)
        row.push_back(columnValue(statement, c));
    return row;
}

String shownText(const Variant& value) {
    return value.isNull() ? String() : value.toText();
}

} // namespace

// Reads the rows of one prepared statement; keeps its connection open while rows remain.
class RowSet::Cursor final : public detail::Reader {
  public:
    Cursor(std::shared_ptr<detail::SqliteConnection> connection, detail::PooledStatement statement,
           std::vector<std::string> parameters)
        : connection_(std::move(connection)), statement_(std::move(statement)),
          sql_(sqlite3_sql(statement_.get())), parameters_(std::move(parameters)) {
        connection_->addReader(this);
    }
    ~Cursor() override { connection_->removeReader(this); }
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    // Lets go of the statement; reading on later runs it again past the rows already read.
    void stopReading() override { statement_.release(); }

    // The next row, or nothing at the end of the result. A failure to read (a file that
    // went bad underneath) throws.
    std::optional<Row> next() {
        if (finished_)
            return std::nullopt;
        if (!statement_.get())
            resume();
        const int code = sqlite3_step(statement_.get());
        if (code == SQLITE_ROW) {
            ++rowsRead_;
            return readRow(statement_.get());
        }
        statement_.release();
        finished_ = true;
        if (code != SQLITE_DONE)
            connection_->fail(code);
        return std::nullopt;
    }

    // The first row of the whole result, in its order, whose column shows exactly the
    // text; asked of the database, so that rows not read yet need not be read.
    std::optional<Row> findFirst(const String& column, std::size_t index, const String& text) {
        const std::string name = dialect::quoteName(toUtf8(column));
        auto parameters = parameters_;
        parameters.push_back(toUtf8(text));
        std::string number = "?";
        number += std::to_string(parameters.size());
        const auto lookup = connection_->prepare(
            "SELECT * FROM (" + sql_ + ") WHERE " + name + " = " + number + " COLLATE " +
                dialect::kCollation + " AND " + name + " = " + number,
            parameters);
        while (sqlite3_step(lookup.get()) == SQLITE_ROW) {
            Row row = readRow(lookup.get());
            if (index < row.size() && shownText(row[index]) == text)
                return row;
        }
        return std::nullopt;
    }

  private:
    // Runs the statement again and steps over the rows read before it was let go.
    void resume() {
        statement_ = connection_->prepare(sql_, parameters_);
        connection_->stopOtherReaders(this);
        for (std::size_t i = 0; i < rowsRead_; ++i)
            if (sqlite3_step(statement_.get()) != SQLITE_ROW)
                break;
    }

    std::shared_ptr<detail::SqliteConnection> connection_;
    detail::PooledStatement statement_;
    std::string sql_;
    std::vector<std::string> parameters_;
    std::size_t rowsRead_ = 0;
    bool finished_ = false;
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

std::optional<RowSet::Row> RowSet::findFirst(std::size_t column, const String& text) {
    for (const auto& row : rows_)
        if (column < row.size() && shownText(row[column]) == text)
            return row;
    if (!cursor_)
        return std::nullopt;
    try {
        return cursor_->findFirst(columns_[column], column, text);
    } catch (const Error&) {
        // The result cannot be asked again (a column name it repeats): read it through.
        for (std::size_t i = rows_.size(); fetch(i); ++i)
            if (shownText(rows_[i][column]) == text)
                return rows_[i];
        return std::nullopt;
    }
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
        fail(ErrorNumber::UnknownConnect,
             "Não foi possível encontrar um ISAM instalável para '" + toUtf8(connect_) + "'.");
    if (databaseName_.empty())
        fail(ErrorNumber::FileNotFound, "Não foi possível encontrar o arquivo ''.");
    if (!connection_ || !connection_->opens(databaseName_, connect_))
        connection_ = std::make_shared<detail::SqliteConnection>(databaseName_, connect_);
}

std::shared_ptr<RowSet> SqliteDataSource::run(const String& recordSource) {
    openIfNeeded();
    const String trimmed = trimSpaces(recordSource);
    if (trimmed.empty())
        fail(ErrorNumber::InvalidRecordSource,
             "Instrução SQL inválida; esperava-se 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT' ou "
             "'UPDATE'.");
    if (trimmed.size() > kMaxStatementCharacters)
        fail(ErrorNumber::OtherFailure, "A instrução SQL é longa demais (mais de " +
                                            std::to_string(kMaxStatementCharacters) +
                                            " caracteres).");
    const String statementText = isBareName(trimmed) ? u"SELECT * FROM " + trimmed : trimmed;
    const dialect::Translation translation(toUtf8(statementText));
    auto statement = connection_->prepare(translation);
    std::vector<String> columns;
    for (int c = 0; c < sqlite3_column_count(statement.get()); ++c) {
        const auto* name = static_cast<const char16_t*>(sqlite3_column_name16(statement.get(), c));
        columns.emplace_back(name ? name : u"");
    }
    auto cursor = std::make_unique<RowSet::Cursor>(connection_, std::move(statement),
                                                   translation.parameters());
    // The results read before this one stop, so that they do not keep the file locked while
    // this one is read.
    connection_->stopOtherReaders(cursor.get());
    auto rows = std::make_shared<RowSet>(std::move(columns), std::move(cursor));
    rows->fetch(0);
    return rows;
}

void SqliteDataSource::Refresh() {
    std::shared_ptr<RowSet> rows;
    try {
        rows = run(recordSource_);
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

std::string SqliteDataSource::queryPlan(const String& statement) {
    openIfNeeded();
    return connection_->queryPlan(dialect::Translation(toUtf8(statement)));
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

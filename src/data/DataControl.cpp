#include "veltra/data/DataControl.h"
#include "Errors.h"

#include "Engine.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#include <algorithm>

namespace veltra {

namespace {

using detail::DataError;
using detail::fail;
using detail::shownText;

// Longer record sources are refused before they reach the database.
constexpr std::size_t kMaxStatementCharacters = 100'000;

// A record source that is only a table name reads the whole table.
bool isBareName(const String& source) {
    if (source.size() > 2 && source.front() == u'[' && source.back() == u']')
        return source.find(u']') == source.size() - 1;
    return std::all_of(source.begin(), source.end(), [](char16_t c) {
        return c == u'_' || (c >= u'0' && c <= u'9') || lowerCase(c) != upperCase(c) || c > 0x7F;
    });
}

} // namespace

RowSet::RowSet(String statement, std::vector<String> columns, std::unique_ptr<Cursor> cursor)
    : statement_(std::move(statement)), columns_(std::move(columns)), cursor_(std::move(cursor)) {
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
class DataControl::Records final : public Recordset {
  public:
    Records(DataControl& source, std::shared_ptr<RowSet> rows)
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
            fail(DataError::UnknownField);
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
        fail(DataError::NoCurrentRecord);
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

    DataControl& source_;
    std::shared_ptr<RowSet> rows_;
    long long position_ = kBeforeFirst;
};

DataControl::DataControl() = default;
DataControl::~DataControl() = default;

void DataControl::RecordSource(const String& value) {
    recordSource_ = value;
    for (auto* listener : listeners_)
        listener->recordSourceAssigned(value);
}

bool DataControl::DatabaseNameIsFile() const {
    return detail::connectNamesFile(connect_);
}

void DataControl::openIfNeeded() {
    if (!engine_ || !engine_->opens(databaseName_, connect_))
        engine_ = detail::openEngine(databaseName_, connect_);
}

String DataControl::SavedConnect() const {
    return detail::savedConnect(connect_);
}

String DataControl::SavedDatabaseName() const {
    return detail::savedDatabaseName(databaseName_, connect_);
}

std::shared_ptr<RowSet> DataControl::run(const String& recordSource) {
    openIfNeeded();
    const String trimmed = trimSpaces(recordSource);
    if (trimmed.empty())
        fail(DataError::NoStatement);
    if (trimmed.size() > kMaxStatementCharacters)
        fail(DataError::StatementTooLong, {std::to_string(kMaxStatementCharacters)});
    const String statementText = isBareName(trimmed) ? u"SELECT * FROM " + trimmed : trimmed;
    auto result = engine_->run(toUtf8(statementText));
    auto rows = std::make_shared<RowSet>(statementText, std::move(result.columns),
                                         std::move(result.cursor));
    rows->fetch(0);
    return rows;
}

void DataControl::Refresh() {
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

std::string DataControl::queryPlan(const String& statement) {
    openIfNeeded();
    return engine_->queryPlan(toUtf8(statement));
}

Recordset& DataControl::recordset() {
    if (!records_)
        fail(DataError::NoRecordset);
    return *records_;
}

std::optional<std::size_t> DataControl::currentRow() const {
    return records_ ? records_->current() : std::nullopt;
}

void DataControl::addListener(DataSourceListener* listener) {
    listeners_.push_back(listener);
}

void DataControl::removeListener(DataSourceListener* listener) {
    std::erase(listeners_, listener);
}

void DataControl::notifyCurrentRowChanged() {
    for (auto* listener : listeners_)
        listener->currentRowChanged();
}

} // namespace veltra

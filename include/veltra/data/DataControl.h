// The data source over a database file, opened read-only, and the rows of its results.
#pragma once

#include "veltra/platform/DataSource.h"

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace veltra {

namespace detail {
class Engine;
}

// The rows of one result, read from the database as they are asked for. The data
// source's record set and every list bound to it share one RowSet, so a row read by the
// list counts as visited for the record set too.
class RowSet {
  public:
    using Row = std::vector<Variant>;
    class Cursor;

    RowSet(String statement, std::vector<String> columns, std::unique_ptr<Cursor> cursor);
    ~RowSet();

    // The statement whose result this is, as the data source ran it.
    const String& statement() const { return statement_; }

    const std::vector<String>& columns() const { return columns_; }
    // Column names compare without regard to case, as the database names them.
    std::optional<std::size_t> columnIndex(std::u16string_view name) const;

    // Reads rows until the row at index is available; false when the result is shorter.
    bool fetch(std::size_t index);
    std::size_t fetchedCount() const { return rows_.size(); }
    std::size_t fetchAll();
    // A row that fetch has made available.
    const Row& row(std::size_t index) const { return rows_[index]; }
    // The first row, in the result's order, whose column shows exactly the text (a null
    // shows as empty). Rows not read yet are looked up in the database, not read.
    std::optional<Row> findFirst(std::size_t column, const String& text);

  private:
    String statement_;
    std::vector<String> columns_;
    std::vector<Row> rows_;
    std::unique_ptr<Cursor> cursor_;
};

// Told what the data source does; the bound text box and the platforms' tracers listen.
class DataSourceListener {
  public:
    virtual ~DataSourceListener() = default;
    virtual void recordSourceAssigned(const String& statement) { (void)statement; }
    // After a refresh that succeeded (with the new rows) or failed (with the old ones).
    virtual void refreshed(bool succeeded) { (void)succeeded; }
    // The current row moved, or a refresh replaced the rows.
    virtual void currentRowChanged() {}
};

// Connect "" or beginning with "Access" (any case) or ";" opens the file at DatabaseName;
// any other kind fails at Refresh with error 3170. The file is opened read-only and
// statements are read in the desktop-database dialect (see data/Dialect.h).
class DataControl final : public DataSource {
  public:
    DataControl();
    ~DataControl() override;

    String Connect() const override { return connect_; }
    void Connect(const String& value) override { connect_ = value; }
    String DatabaseName() const override { return databaseName_; }
    void DatabaseName(const String& value) override { databaseName_ = value; }
    bool DatabaseNameIsFile() const override;
    String SavedConnect() const override;
    String SavedDatabaseName() const override;
    String RecordSource() const override { return recordSource_; }
    void RecordSource(const String& value) override;
    void Refresh() override;
    Recordset& recordset() override;

    // The current result (nullptr before the first successful refresh) and its current
    // row (none before the first row or after the last).
    std::shared_ptr<RowSet> rows() const { return rows_; }
    std::optional<std::size_t> currentRow() const;

    // How SQLite answers a statement (EXPLAIN QUERY PLAN), with the copies and indexes
    // the data source builds for it.
    std::string queryPlan(const String& statement);

    void addListener(DataSourceListener* listener);
    void removeListener(DataSourceListener* listener);

  private:
    class Records;
    friend class Records;

    void openIfNeeded();
    std::shared_ptr<RowSet> run(const String& recordSource);
    void notifyCurrentRowChanged();

    String connect_ = u"Access";
    String databaseName_;
    String recordSource_;
    std::shared_ptr<detail::Engine> engine_;
    std::shared_ptr<RowSet> rows_;
    std::unique_ptr<Records> records_;
    std::vector<DataSourceListener*> listeners_;
};

} // namespace veltra

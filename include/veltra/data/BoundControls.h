// What every platform's bound controls share: the bound text box and the list logic of a
// data-bound combo box.
#pragma once

#include "veltra/Codes.h"
#include "veltra/data/SqliteDataSource.h"
#include "veltra/platform/EditModel.h"

namespace veltra {

// The text box bound to a field of the data source: its text is that field of the current
// row, or empty without one. It reports every change of its text.
class BoundTextBox final : public TextBox, private DataSourceListener {
  public:
    explicit BoundTextBox(SqliteDataSource& source);
    ~BoundTextBox() override;

    void attach(ControlNotifications* control) override { control_ = control; }
    String Text() const override { return text_; }
    void Text(const String& value) override;
    void DataField(const String& value) override;

  private:
    void currentRowChanged() override;

    SqliteDataSource& source_;
    ControlNotifications* control_ = nullptr;
    String dataField_;
    String text_;
};

// The rows of a combo box's list and how texts and keys match them. The list holds the
// data source's result as it stood at the last refresh, read on demand: matching a text or
// a key asks the database for rows not read yet instead of reading them. Key and list
// value are read by the current column names; a name the result lacks matches nothing.
class ListModel final : public RowValues {
  public:
    explicit ListModel(SqliteDataSource& source) : source_(source) {}

    const String& listField() const { return listField_; }
    const String& boundColumn() const { return boundColumn_; }
    // A name that the data source's current rows lack fails with error 3265; with no
    // result yet any name is kept. The placeholder "xnadas" is always accepted as the
    // bound column.
    void listField(const String& name);
    void boundColumn(const String& name);

    void refresh();
    bool hasRow(std::size_t index) const override { return rows_ && rows_->fetch(index); }
    // Reads the whole result.
    std::size_t rowCount() const { return rows_ ? rows_->fetchAll() : 0; }
    String value(std::size_t index) const override;
    String key(std::size_t index) const;

    // The key of the first row whose list value is exactly the text (case-sensitive).
    std::optional<String> keyOfValue(const String& text) const;
    // The list value of the first row whose key is exactly the text.
    std::optional<String> valueOfKey(const String& key) const;
    // The key of the row the text matches; the text itself while it matches none (an
    // empty text matches no row).
    String boundTextFor(const String& text) const;
    // The position of the first row whose list value is the text, reading rows up to it.
    std::optional<std::size_t> rowOfValue(const String& text) const override;

  private:
    void resolveColumns();
    String cell(std::size_t index, std::optional<std::size_t> column) const;
    std::optional<String> otherColumnOfFirst(std::optional<std::size_t> searched,
                                             const String& text,
                                             std::optional<std::size_t> other) const;
    void checkColumn(const String& name) const;

    SqliteDataSource& source_;
    String listField_;
    String boundColumn_ = String(kNoBoundColumn);
    std::shared_ptr<RowSet> rows_;
    std::optional<std::size_t> listColumn_;
    std::optional<std::size_t> keyColumn_;
};

} // namespace veltra

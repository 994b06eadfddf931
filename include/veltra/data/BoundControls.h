// What every platform's bound controls share: the bound text box, the list logic of a
// data-bound combo box, and the combo box's text and list behind any platform's widget.
#pragma once

#include "veltra/Codes.h"
#include "veltra/data/DataControl.h"
#include "veltra/platform/ComboBox.h"
#include "veltra/platform/EditModel.h"

namespace veltra {

namespace dialect {
class LikePattern;
}

// The text box bound to a field of the data source: its text is that field of the current
// row, or empty without one. It reports every change of its text.
class BoundTextBox final : public TextBox, private DataSourceListener {
  public:
    explicit BoundTextBox(DataControl& source);
    ~BoundTextBox() override;

    void attach(ControlNotifications* control) override { control_ = control; }
    String Text() const override { return text_; }
    void Text(const String& value) override;
    void DataField(const String& value) override;

  private:
    void currentRowChanged() override;

    DataControl& source_;
    ControlNotifications* control_ = nullptr;
    String dataField_;
    String text_;
};

// A run of UTF-16 positions of a text.
struct TextRun {
    std::size_t start;
    std::size_t length;
    bool operator==(const TextRun&) const = default;
};

// The rows of a combo box's list and how texts and keys match them. The list holds the
// data source's result as it stood at the last refresh, read on demand: matching a text or
// a key asks the database for rows not read yet instead of reading them. Key and list
// value are read by the current column names; a name the result lacks matches nothing.
class ListModel final : public RowValues {
  public:
    explicit ListModel(DataControl& source) : source_(source) {}

    const String& listField() const { return listField_; }
    const String& boundColumn() const { return boundColumn_; }
    // A name that the data source's current rows lack fails with error 3265; with no
    // result yet any name is kept. The placeholder "xnadas" is always accepted as the
    // bound column.
    void listField(const String& name);
    void boundColumn(const String& name);
    // The columns shown after the list value (names separated by ";"), as written.
    const String& extraColumns() const { return extraColumns_; }
    void extraColumns(const String& names);

    void refresh();
    // Whether the list holds a result (the data source has run a statement).
    bool hasResult() const { return rows_ != nullptr; }
    bool hasRow(std::size_t index) const override { return rows_ && rows_->fetch(index); }
    // Reads the whole result.
    std::size_t rowCount() const { return rows_ ? rows_->fetchAll() : 0; }
    String value(std::size_t index) const override;
    String key(std::size_t index) const;
    // The row's values of the extra columns, in their order (empty for a column the result
    // lacks).
    std::vector<String> extras(std::size_t index) const;

    // The key of the first row whose list value is exactly the text (case-sensitive).
    std::optional<String> keyOfValue(const String& text) const;
    // The list value of the first row whose key is exactly the text.
    std::optional<String> valueOfKey(const String& key) const;
    // The key of the row the text matches (the chosen one where rows of one value are told
    // apart); the text itself while it matches none (an empty text matches no row).
    String boundTextFor(const String& text) const;
    // The position of the first row whose list value is the text, reading rows up to it; with
    // extra columns, which tell rows of one value apart, the chosen row while it shows the
    // text.
    std::optional<std::size_t> rowOfValue(const String& text) const override;
    void choose(std::size_t row) override { chosen_ = row; }
    // The parts of a list value that the result's like pattern on the list field matched
    // (what was typed: the prefix, the parts between wildcards), folded as the database
    // compares; none when the result was not searched with a pattern.
    std::vector<TextRun> matchedParts(const String& value) const;

    // The chosen row while it shows the text, where extra columns tell rows apart.
    std::optional<std::size_t> chosenRowShowing(const String& text) const;

  private:
    void resolveColumns();
    String cell(std::size_t index, std::optional<std::size_t> column) const;
    std::optional<String> otherColumnOfFirst(std::optional<std::size_t> searched,
                                             const String& text,
                                             std::optional<std::size_t> other) const;
    void checkColumn(const String& name) const;

    DataControl& source_;
    String listField_;
    String boundColumn_ = String(kNoBoundColumn);
    String extraColumns_;
    std::shared_ptr<RowSet> rows_;
    std::optional<std::size_t> listColumn_;
    std::optional<std::size_t> keyColumn_;
    std::vector<std::optional<std::size_t>> extraColumnIndexes_;
    // The row the text was last taken from, until the next result.
    std::optional<std::size_t> chosen_;
    // The like pattern on the list field, read from the result's statement when first asked.
    mutable std::shared_ptr<const dialect::LikePattern> pattern_;
    mutable bool patternRead_ = false;
};

// The part of a combo box that is the same on every platform: its list over the data
// source, its text and selection (the editing model) and the control it reports to. A
// platform's box derives from it, shows what it holds and turns its own input into calls
// on it; the design-time text is "Utilize * para pesquisar trechos".
class BoundComboBox : public ComboBox {
  public:
    explicit BoundComboBox(DataControl& source);

    void attach(ControlNotifications* control) override { control_ = control; }
    String Text() const override { return edit_.text(); }
    void Text(const String& value) override { edit_.write(value); }
    // The key of the row the text matches; a written key shows its row's list value, or
    // itself when no row has it.
    String BoundText() const override { return list_.boundTextFor(edit_.text()); }
    void BoundText(const String& value) override;
    String ListField() const override { return list_.listField(); }
    void ListField(const String& value) override { list_.listField(value); }
    String BoundColumn() const override { return list_.boundColumn(); }
    void BoundColumn(const String& value) override { list_.boundColumn(value); }
    String ExtraColumns() const override { return list_.extraColumns(); }
    void ExtraColumns(const String& value) override { list_.extraColumns(value); }
    Long SelStart() const override { return edit_.selStart(); }
    void SelStart(Long value) override { edit_.selStart(value); }
    Long SelLength() const override { return edit_.selLength(); }
    void SelLength(Long value) override { edit_.selLength(value); }
    bool Locked() const override { return edit_.locked(); }
    void Locked(bool value) override { edit_.locked(value); }
    Colour ForeColor() const override { return foreColor_; }
    void ForeColor(Colour value) override;
    Colour BackColor() const override { return backColor_; }
    void BackColor(Colour value) override;
    String SavedText() const override { return edit_.text(); }
    void Refresh() override { list_.refresh(); }

    const ListModel& list() const { return list_; }

    ~BoundComboBox() override;

  protected:
    // A list row chosen by the user: its value becomes the text (unless locked), the list
    // closes, then the control hears the click on the list. A row that does not exist is
    // no choice.
    void pickRow(std::size_t row);
    virtual void openList() = 0;
    virtual void closeList() = 0;
    // The editing effect of a key that types no character, as the key-down handler left it:
    // the list opened, or the box left for the next control as Tab leaves it.
    void applyKeyEffect(Integer keyCode, Integer shift);
    virtual void leaveForNext() = 0;
    // Shows foreColor_ and backColor_.
    virtual void applyColours() = 0;
    // The key press of a character: the control hears the code first and may change it; a
    // code it leaves as it was inserts the text typed (a character beyond the 16-bit range
    // whole), another code the character it stands for; the control codes edit (Ctrl+V
    // inserts the text given, the clipboard's).
    void pressCharacter(Integer keyAscii, const String& text);
    virtual void copySelection() = 0;
    // Text that came without a key of its own (an input method's, a dead-key sequence's),
    // typed as the keyboard delivers a composed character: key down with its base letter's
    // key, key press with its code, the insertion and the change, key up (and with it the
    // search). One character, or one beyond the 16-bit range as its pair.
    void typeCommitted(const String& character);
    // Shows the font object it is given and follows every later change of it, so that
    // setting Size through the object that the control's Font returned resizes the box.
    void followFont(FontRef font);
    virtual void applyFont() = 0;

    ListModel list_;
    EditModel edit_;
    ControlNotifications* control_ = nullptr;
    FontRef font_;
    Colour foreColor_ = CorDoTextoDaJanela;
    Colour backColor_ = CorDeFundoDaJanela;

  private:
    int fontListener_ = 0;
};

} // namespace veltra

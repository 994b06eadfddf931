#include "veltra/data/BoundControls.h"

#include "Engine.h"
#include "Errors.h"
#include "dialect/Folding.h"
#include "dialect/Statement.h"
#include "veltra/Error.h"
#include "veltra/Font.h"
#include "veltra/Text.h"
#include "veltra/platform/Keys.h"
#include "veltra/platform/Notifications.h"

namespace veltra {

namespace {

using detail::shownText;

[[noreturn]] void unknownField() {
    detail::fail(detail::DataError::UnknownField);
}

} // namespace

BoundTextBox::BoundTextBox(DataControl& source) : source_(source) {
    source_.addListener(this);
}

BoundTextBox::~BoundTextBox() {
    source_.removeListener(this);
}

void BoundTextBox::Text(const String& value) {
    if (value == text_)
        return;
    text_ = value;
    if (control_)
        control_->txtDbComb_Change();
}

void BoundTextBox::DataField(const String& value) {
    const auto rows = source_.rows();
    if (rows && !value.empty() && !rows->columnIndex(value))
        unknownField();
    dataField_ = value;
    currentRowChanged();
}

void BoundTextBox::currentRowChanged() {
    const auto rows = source_.rows();
    const auto current = source_.currentRow();
    String shown;
    if (rows && current && !dataField_.empty())
        if (const auto column = rows->columnIndex(dataField_))
            shown = shownText(rows->row(*current)[*column]);
    Text(shown);
}

void ListModel::checkColumn(const String& name) const {
    const auto rows = source_.rows();
    if (rows && !name.empty() && !rows->columnIndex(name))
        unknownField();
}

void ListModel::listField(const String& name) {
    checkColumn(name);
    listField_ = name;
    resolveColumns();
    patternRead_ = false;
}

void ListModel::boundColumn(const String& name) {
    if (name != kNoBoundColumn)
        checkColumn(name);
    boundColumn_ = name;
    resolveColumns();
}

void ListModel::extraColumns(const String& names) {
    for (const auto& name : namesOfList(names))
        checkColumn(name);
    extraColumns_ = names;
    resolveColumns();
}

void ListModel::refresh() {
    rows_ = source_.rows();
    chosen_.reset();
    resolveColumns();
    patternRead_ = false;
}

namespace {

// The pattern that a like condition of the statement applies to the column, if one does.
std::shared_ptr<const dialect::LikePattern> likePatternOn(const String& statement,
                                                          const String& column) {
    try {
        const dialect::Statement parsed(toUtf8(statement));
        const std::string wanted = dialect::asciiLower(toUtf8(column));
        for (const auto& like : parsed.likes())
            if (dialect::asciiLower(like.column.column) == wanted)
                return std::make_shared<const dialect::LikePattern>(like.pattern);
    } catch (const std::exception&) {
        // A statement the dialect cannot read was run by no engine of ours: nothing to show.
    }
    return nullptr;
}

} // namespace

std::vector<TextRun> ListModel::matchedParts(const String& value) const {
    if (!patternRead_) {
        patternRead_ = true;
        pattern_ = rows_ ? likePatternOn(rows_->statement(), listField_) : nullptr;
    }
    if (!pattern_)
        return {};
    // The value's code points, and where each begins in the UTF-16 text.
    std::u32string codePoints;
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < value.size();) {
        starts.push_back(i);
        codePoints.push_back(decodeUtf16(value, i));
    }
    starts.push_back(value.size());
    const auto matched = pattern_->matchedPositions(codePoints);
    if (!matched)
        return {};
    std::vector<TextRun> runs;
    for (const std::size_t position : *matched) {
        const std::size_t start = starts[position];
        const std::size_t length = starts[position + 1] - start;
        if (!runs.empty() && runs.back().start + runs.back().length == start)
            runs.back().length += length;
        else
            runs.push_back({start, length});
    }
    return runs;
}

void ListModel::resolveColumns() {
    listColumn_ = rows_ ? rows_->columnIndex(listField_) : std::nullopt;
    keyColumn_ = rows_ ? rows_->columnIndex(boundColumn_) : std::nullopt;
    extraColumnIndexes_.clear();
    for (const auto& name : namesOfList(extraColumns_))
        extraColumnIndexes_.push_back(rows_ ? rows_->columnIndex(name) : std::nullopt);
}

String ListModel::cell(std::size_t index, std::optional<std::size_t> column) const {
    if (!column || !hasRow(index))
        return {};
    return shownText(rows_->row(index)[*column]);
}

String ListModel::value(std::size_t index) const {
    return cell(index, listColumn_);
}

String ListModel::key(std::size_t index) const {
    return cell(index, keyColumn_);
}

std::vector<String> ListModel::extras(std::size_t index) const {
    std::vector<String> values;
    for (const auto column : extraColumnIndexes_)
        values.push_back(cell(index, column));
    return values;
}

// An empty text matches no row, not even one whose value is null or empty: an empty box
// has no key. A row that matches shows an empty other column when the result lacks it.
std::optional<String> ListModel::otherColumnOfFirst(std::optional<std::size_t> searched,
                                                    const String& text,
                                                    std::optional<std::size_t> other) const {
    if (text.empty() || !searched)
        return std::nullopt;
    const auto row = rows_->findFirst(*searched, text);
    if (!row)
        return std::nullopt;
    return other ? shownText((*row)[*other]) : String();
}

std::optional<String> ListModel::keyOfValue(const String& text) const {
    return otherColumnOfFirst(listColumn_, text, keyColumn_);
}

std::optional<String> ListModel::valueOfKey(const String& key) const {
    return otherColumnOfFirst(keyColumn_, key, listColumn_);
}

String ListModel::boundTextFor(const String& text) const {
    if (const auto chosen = chosenRowShowing(text))
        return key(*chosen);
    return keyOfValue(text).value_or(text);
}

// Only the extra columns tell rows of one list value apart: without them, the first row
// stands for its value, as it always has.
std::optional<std::size_t> ListModel::chosenRowShowing(const String& text) const {
    if (extraColumnIndexes_.empty() || !chosen_ || text.empty() || !hasRow(*chosen_) ||
        value(*chosen_) != text)
        return std::nullopt;
    return chosen_;
}

std::optional<std::size_t> ListModel::rowOfValue(const String& text) const {
    if (text.empty())
        return std::nullopt;
    if (const auto chosen = chosenRowShowing(text))
        return chosen;
    for (std::size_t i = 0; hasRow(i); ++i)
        if (value(i) == text)
            return i;
    return std::nullopt;
}

BoundComboBox::BoundComboBox(DataControl& source)
    : list_(source), edit_(u"Utilize * para pesquisar trechos") {
    edit_.onChange([this] {
        if (control_)
            control_->dbComb_Change();
    });
}

BoundComboBox::~BoundComboBox() {
    if (font_)
        font_->unsubscribe(fontListener_);
}

void BoundComboBox::followFont(FontRef font) {
    if (!font)
        throwInvalidPropertyValue();
    if (font_)
        font_->unsubscribe(fontListener_);
    font_ = std::move(font);
    fontListener_ = font_->subscribe([this] { applyFont(); });
    applyFont();
}

void BoundComboBox::pressCharacter(Integer keyAscii, const String& text) {
    const Integer typed = keyAscii;
    if (control_)
        control_->dbComb_KeyPress(keyAscii);
    switch (keyAscii) {
    case Ascii::None:
    case Ascii::Enter:
        return;
    case Ascii::Esc:
        closeList();
        return;
    case Ascii::CtrlC:
        copySelection();
        return;
    case Ascii::CtrlV:
        edit_.replaceSelection(text);
        return;
    case Ascii::Backspace:
        edit_.deleteSelectionOr(-1);
        return;
    default:
        edit_.replaceSelection(
            keyAscii == typed && !text.empty() ? text : String(1, characterOfCode(keyAscii)));
    }
}

void BoundComboBox::typeCommitted(const String& character) {
    const KeyStroke key = keyOfCharacter(character[0]);
    Integer keyCode = key.keyCode;
    Integer shift = key.shift;
    if (control_)
        control_->dbComb_KeyDown(keyCode, shift);
    pressCharacter(codeOfCharacter(character[0]), character);
    keyCode = key.keyCode;
    shift = key.shift;
    if (control_)
        control_->dbComb_KeyUp(keyCode, shift);
}

void BoundComboBox::BoundText(const String& value) {
    Text(list_.valueOfKey(value).value_or(value));
}

void BoundComboBox::ForeColor(Colour value) {
    foreColor_ = value;
    applyColours();
}

void BoundComboBox::BackColor(Colour value) {
    backColor_ = value;
    applyColours();
}

void BoundComboBox::applyKeyEffect(Integer keyCode, Integer shift) {
    switch (edit_.applyKey(keyCode, shift, list_)) {
    case EditModel::KeyEffect::LeaveFocus:
        leaveForNext();
        break;
    case EditModel::KeyEffect::OpenList:
        openList();
        break;
    case EditModel::KeyEffect::None:
        break;
    }
}

void BoundComboBox::pickRow(std::size_t row) {
    if (!list_.hasRow(row))
        return;
    list_.choose(row);
    if (!edit_.locked())
        Text(list_.value(row));
    closeList();
    Integer area = ClickArea::List;
    if (control_)
        control_->dbComb_Click(area);
}

} // namespace veltra

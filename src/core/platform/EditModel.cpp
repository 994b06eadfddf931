#include "veltra/platform/EditModel.h"

#include "veltra/Codes.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#include <algorithm>

namespace veltra {

void EditModel::shown() const {
    if (show_)
        show_();
}

void EditModel::edit(String text, Long caret) {
    text_ = std::move(text);
    selStart_ = std::clamp<Long>(caret, 0, static_cast<Long>(text_.size()));
    selLength_ = 0;
    shown();
    if (change_)
        change_();
}

void EditModel::write(const String& text) {
    if (text != text_)
        edit(text, static_cast<Long>(text.size()));
}

void EditModel::selStart(Long value) {
    if (value < 0)
        throwInvalidPropertyValue();
    selStart_ = static_cast<Long>(wholeCharacterPosition(text_, static_cast<std::size_t>(value)));
    selLength_ = 0;
    shown();
}

void EditModel::selLength(Long value) {
    if (value < 0)
        throwInvalidPropertyValue();
    const Long end = selStart_ + std::min(value, static_cast<Long>(text_.size()) - selStart_);
    selLength_ =
        static_cast<Long>(wholeCharacterPosition(text_, static_cast<std::size_t>(end))) - selStart_;
    shown();
}

void EditModel::selectAll() {
    selStart_ = 0;
    selLength_ = static_cast<Long>(text_.size());
    shown();
}

void EditModel::selectedInView(Long start, Long length) {
    selStart_ = std::clamp<Long>(start, 0, static_cast<Long>(text_.size()));
    selLength_ = std::clamp<Long>(length, 0, static_cast<Long>(text_.size()) - selStart_);
}

void EditModel::replaceSelection(const String& inserted) {
    if (locked_ || (inserted.empty() && selLength_ == 0))
        return;
    String text = text_;
    text.replace(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_),
                 inserted);
    edit(std::move(text), selStart_ + static_cast<Long>(inserted.size()));
}

void EditModel::deleteSelectionOr(int direction) {
    if (locked_)
        return;
    if (selLength_ == 0) {
        const Long at = direction < 0 ? stepFrom(selStart_, -1) : selStart_;
        const Long end = direction < 0 ? selStart_ : stepFrom(selStart_, +1);
        if (at == end)
            return;
        selStart_ = at;
        selLength_ = end - at;
    }
    replaceSelection(u"");
}

void EditModel::editedInView(String text, Long caret) {
    edit(std::move(text), caret);
}

// The caret position one character before (-1) or after (+1), a surrogate pair counting as
// one character.
Long EditModel::stepFrom(Long caret, int direction) const {
    const Long length = static_cast<Long>(text_.size());
    Long next = std::clamp<Long>(caret + direction, 0, length);
    if (splitsPair(text_, static_cast<std::size_t>(next)))
        next += direction;
    return std::clamp<Long>(next, 0, length);
}

// Up from no row does nothing, Down from no row goes to the first; past the ends nothing.
void EditModel::stepRow(RowValues& rows, int direction) {
    if (locked_)
        return;
    const auto current = rows.rowOfValue(text_);
    if (direction < 0 && (!current || *current == 0))
        return;
    const std::size_t next = !current ? 0 : direction < 0 ? *current - 1 : *current + 1;
    if (!rows.hasRow(next))
        return;
    rows.choose(next);
    write(rows.value(next));
}

EditModel::KeyEffect EditModel::applyKey(Integer keyCode, Integer shift, RowValues& rows) {
    switch (keyCode) {
    case Key::Tab:
        return KeyEffect::LeaveFocus;
    case Key::Left:
        selStart_ = selLength_ > 0 ? selStart_ : stepFrom(selStart_, -1);
        selLength_ = 0;
        break;
    case Key::Right:
        selStart_ = selLength_ > 0 ? selStart_ + selLength_ : stepFrom(selStart_, +1);
        selLength_ = 0;
        break;
    case Key::Home:
        selStart_ = 0, selLength_ = 0;
        break;
    case Key::End:
        selStart_ = static_cast<Long>(text_.size()), selLength_ = 0;
        break;
    case Key::Delete:
        deleteSelectionOr(+1);
        return KeyEffect::None;
    case Key::Up:
        stepRow(rows, -1);
        return KeyEffect::None;
    case Key::Down:
        if ((shift & Shift::Alt) != 0)
            return KeyEffect::OpenList;
        stepRow(rows, +1);
        return KeyEffect::None;
    default:
        return KeyEffect::None;
    }
    shown();
    return KeyEffect::None;
}

} // namespace veltra

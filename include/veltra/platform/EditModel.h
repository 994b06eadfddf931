// The editing behaviour of a desktop combo box's edit part, shared by every platform's box:
// the text and its selection, the caret rules, the editing keys and the stepping through
// the list's rows. A platform's box keeps one, as a toolkit's combo box keeps a line edit:
// it turns its own input events into calls on the model, and shows what the model holds.
#pragma once

#include "veltra/Types.h"

#include <cstddef>
#include <functional>
#include <optional>

namespace veltra {

// The rows that Up and Down step through.
class RowValues {
  public:
    virtual ~RowValues() = default;
    virtual bool hasRow(std::size_t row) const = 0;
    virtual String value(std::size_t row) const = 0;
    // The row the text shows: the first row whose value is exactly the text, or the row the
    // text was last taken from (see choose) where rows of one value are told apart.
    virtual std::optional<std::size_t> rowOfValue(const String& text) const = 0;
    // The text is taken from this row (a step, a pick).
    virtual void choose(std::size_t row) = 0;
};

class EditModel {
  public:
    explicit EditModel(String text) : text_(std::move(text)) {}

    // Called after every change of the text or the selection, so that the box shows it;
    // then, for a change of the text, the box's change notification.
    void onShow(std::function<void()> show) { show_ = std::move(show); }
    void onChange(std::function<void()> change) { change_ = std::move(change); }

    const String& text() const { return text_; }
    Long selStart() const { return selStart_; }
    Long selLength() const { return selLength_; }
    bool locked() const { return locked_; }
    // While locked, the user's edits and row steps leave the text alone.
    void locked(bool value) { locked_ = value; }

    // A write by code: a new text puts the caret at its end, selects nothing and reports
    // the change; the text it already has changes nothing.
    void write(const String& text);
    // The caret and the selection set by code: a negative value fails with error 380, and
    // a position inside a surrogate pair moves past it.
    void selStart(Long value);
    void selLength(Long value);
    void selectAll();
    // The selection as the user made it in the box (a click, a drag): shown already.
    void selectedInView(Long start, Long length);

    // The user's edits. Typing or pasting replaces the selection, and is a change even when
    // the text comes out as it was; replacing nothing with nothing is none.
    void replaceSelection(const String& inserted);
    // Backspace (-1) and Delete (+1): the selection, or one character (a surrogate pair
    // whole) before or after the caret.
    void deleteSelectionOr(int direction);
    // The text as the user's box made it itself (its own menu, a drop), caret at caret.
    void editedInView(String text, Long caret);

    // What a key that types no character leaves to the box once the model has done its
    // part: moving the caret (Left, Right, Home, End), deleting (Delete), stepping through
    // the rows (Up, Down).
    enum class KeyEffect { None, LeaveFocus, OpenList };
    KeyEffect applyKey(Integer keyCode, Integer shift, RowValues& rows);

  private:
    void edit(String text, Long caret);
    void stepRow(RowValues& rows, int direction);
    Long stepFrom(Long caret, int direction) const;
    void shown() const;

    String text_;
    Long selStart_ = 0;
    Long selLength_ = 0;
    bool locked_ = false;
    std::function<void()> show_;
    std::function<void()> change_;
};

} // namespace veltra

#include "veltra/Error.h"
#include "veltra/Text.h"
#include "veltra/headless/Headless.h"
#include "veltra/platform/Notifications.h"

#include <algorithm>

namespace veltra::headless {

namespace {

// The named keys that also type a character (delivered as a key press).
bool typesCharacter(Integer keyCode) {
    return keyCode == Key::Backspace || keyCode == Key::Enter || keyCode == Key::Esc;
}

} // namespace

HeadlessComboBox::HeadlessComboBox(DataControl& source, HeadlessHost& host, TraceSink trace)
    : BoundComboBox(source), host_(host), trace_(std::move(trace)) {
    followFont(designFont());
}

// The box's height follows the font when it is read; nothing is drawn.
void HeadlessComboBox::Font(FontRef value) {
    followFont(std::move(value));
}

Single HeadlessComboBox::Width() const {
    return host_.scaleMode() == ScaleMode::Pixels ? widthTwips_ / kTwipsPerPixel : widthTwips_;
}

void HeadlessComboBox::Width(Single value) {
    widthTwips_ = host_.scaleMode() == ScaleMode::Pixels ? value * kTwipsPerPixel : value;
}

Single HeadlessComboBox::Height() const {
    const Single twips = comboHeightForFontSize(font_->Size());
    return host_.scaleMode() == ScaleMode::Pixels ? twips / kTwipsPerPixel : twips;
}

void HeadlessComboBox::Enabled(bool value) {
    enabled_ = value;
    if (!enabled_)
        focusOut();
}

void HeadlessComboBox::SetFocus() {
    trace_("setfocus");
    focusIn();
}

// Focus entry selects the whole text before the control hears of it.
void HeadlessComboBox::focusIn() {
    if (focused_ || !acceptsInput())
        return;
    focused_ = true;
    edit_.selectAll();
    if (control_)
        control_->dbComb_GotFocus();
}

void HeadlessComboBox::focusOut() {
    if (!focused_)
        return;
    focused_ = false;
    listOpen_ = false;
    if (control_)
        control_->dbComb_LostFocus();
}

void HeadlessComboBox::leaveForNext() {
    trace_("focus-out");
    focusOut();
}

void HeadlessComboBox::openList() {
    if (listOpen_)
        return;
    listOpen_ = true;
    trace_("dropdown");
}

void HeadlessComboBox::keyDown(Integer& keyCode, Integer& shift) {
    if (control_)
        control_->dbComb_KeyDown(keyCode, shift);
}

void HeadlessComboBox::keyUp(Integer keyCode, Integer shift) {
    if (control_)
        control_->dbComb_KeyUp(keyCode, shift);
}

// Keys and characters reach the box only while it has the focus (which a disabled box
// never has); a key that moves the focus away (Tab) has its release delivered elsewhere.
void HeadlessComboBox::pressKey(KeyStroke stroke) {
    if (!focused_)
        return;
    if (stroke.character) {
        typeCharacter(stroke.character);
        return;
    }
    if (stroke.up) {
        keyUp(stroke.keyCode, stroke.shift);
        return;
    }
    // The host may change the code of the key down; that changes the editing effect of a
    // key that types no character, while a character's effect follows its key press.
    Integer keyCode = stroke.keyCode;
    Integer shift = stroke.shift;
    keyDown(keyCode, shift);
    if (!typesCharacter(stroke.keyCode)) {
        applyKeyEffect(keyCode, shift);
        return;
    }
    Integer keyAscii = stroke.keyCode;
    if (control_)
        control_->dbComb_KeyPress(keyAscii);
    actOnControlCode(keyAscii);
}

// What Backspace and Esc do once the control has heard their key press.
void HeadlessComboBox::actOnControlCode(Integer keyAscii) {
    if (keyAscii == Key::Backspace)
        edit_.deleteSelectionOr(-1);
    else if (keyAscii == Key::Esc)
        listOpen_ = false;
}

void HeadlessComboBox::typeCharacter(char16_t character) {
    if (!focused_)
        return;
    const KeyStroke key = keyOfCharacter(character);
    if (!key.character) {
        pressKey(key);
        pressKey({key.keyCode, key.shift, true, 0});
        return;
    }
    Integer keyCode = key.keyCode;
    Integer shift = key.shift;
    keyDown(keyCode, shift);
    Integer keyAscii = codeOfCharacter(character);
    if (control_)
        control_->dbComb_KeyPress(keyAscii);
    if (keyAscii == Key::Backspace || keyAscii == Key::Esc)
        actOnControlCode(keyAscii);
    else if (keyAscii != 0 && keyAscii != Key::Enter)
        edit_.replaceSelection(String(1, characterOfCode(keyAscii)));
    keyUp(key.keyCode, key.shift);
}

void HeadlessComboBox::paste(const String& text) {
    if (!focused_)
        return;
    Integer keyCode = Key::V;
    Integer shift = Shift::Ctrl;
    keyDown(keyCode, shift);
    Integer keyAscii = Ascii::CtrlV;
    if (control_)
        control_->dbComb_KeyPress(keyAscii);
    if (keyAscii == Ascii::CtrlV)
        edit_.replaceSelection(text);
    keyUp(Key::V, Shift::Ctrl);
}

void HeadlessComboBox::select(Long start, Long length) {
    SelStart(start);
    SelLength(length);
}

void HeadlessComboBox::pick(std::size_t row) {
    if (acceptsInput())
        pickRow(row);
}

void HeadlessComboBox::click(Integer area) {
    if (control_ && acceptsInput())
        control_->dbComb_Click(area);
}

void HeadlessComboBox::doubleClick(Integer area) {
    if (control_ && acceptsInput())
        control_->dbComb_DblClick(area);
}

// A press of a button focuses the box after the control has heard of the press.
void HeadlessComboBox::mouse(Mouse what, Integer button, Integer shift, Single x, Single y) {
    if (!control_ || !acceptsInput())
        return;
    switch (what) {
    case Mouse::Down:
        control_->dbComb_MouseDown(button, shift, x, y);
        focusIn();
        break;
    case Mouse::Move:
        control_->dbComb_MouseMove(button, shift, x, y);
        break;
    case Mouse::Up:
        control_->dbComb_MouseUp(button, shift, x, y);
        break;
    }
}

} // namespace veltra::headless

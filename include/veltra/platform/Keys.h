// Keys as the keyboard delivers them, the US-layout keys that type characters, and the
// key strings of the key-sending service; shared by the platforms.
#pragma once

#include "veltra/Codes.h"
#include "veltra/Types.h"

#include <vector>

namespace veltra {

// One key event as the keyboard delivers it; a stroke with a character stands for the
// whole typing of that character (key down, key press, key up).
struct KeyStroke {
    Integer keyCode = 0;
    Integer shift = 0;
    bool up = false;
    char16_t character = 0;
};

// The virtual-key code and shift state with which a character is typed on a US keyboard.
// Accented letters use their base letter's key, ç and Ç key 186; other characters key 0.
// Backspace, Tab, carriage return and Esc are the keys Backspace, Tab, Enter and Esc: a
// named key's stroke (no character), pressed and released as those keys are.
KeyStroke keyOfCharacter(char16_t character);

// The strokes of a key string: "+", "^" and "%" hold Shift, Ctrl and Alt for the key that
// follows; "{NAME}" names a key (BACKSPACE, BS, TAB, ENTER, ESC, END, HOME, LEFT, UP, RIGHT,
// DOWN, DEL, DELETE, or one character); any other character types itself. A modifier with
// no key after it is pressed and released alone. As on a keyboard, a key down carries the
// modifiers held with it, a modifier's key up the ones still held after it.
// Throws veltra::Error (380) for a name it does not know.
std::vector<KeyStroke> parseKeyString(const String& keys);

} // namespace veltra

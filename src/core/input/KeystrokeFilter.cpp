// The filter every typed character passes before the combo box inserts it.
#include "control/ResumeNext.h"
#include "control/WorkingState.h"
#include "veltra/Codes.h"
#include "veltra/Veltra.h"

#include <array>

namespace veltra {

namespace {

// Characters that would break a statement or a pattern, refused whatever the options say.
bool isRefused(Integer c) {
    return c == 39 || c == 34 || c == 180 || c == 124 || c == 91;
}

// Editing keys and the wildcards pass untouched: * and ? are typed to search with.
bool passesUntouched(Integer c) {
    return c == Ascii::Backspace || c == Ascii::Esc || c == Ascii::Asterisk ||
           c == Ascii::QuestionMark;
}

bool isLetterOrNameMark(Integer c) {
    return (c >= 65 && c <= 90) || (c >= 97 && c <= 122) || (c >= 192 && c <= 214) ||
           (c >= 217 && c <= 221) || (c >= 224 && c <= 246) || (c >= 249 && c <= 253) || c == 32 ||
           (c >= 45 && c <= 47);
}

struct AccentRange {
    Integer from;
    Integer to;
    Integer plain;
};
// Tested from the top; ð becomes o, not d. Ç, ç and the letters without a plain form stay.
constexpr std::array<AccentRange, 16> kAccents = {{{208, 208, 68},
                                                   {209, 209, 78},
                                                   {221, 221, 89},
                                                   {240, 240, 111},
                                                   {241, 241, 110},
                                                   {253, 253, 121},
                                                   {192, 198, 65},
                                                   {200, 203, 69},
                                                   {204, 207, 73},
                                                   {210, 214, 79},
                                                   {217, 220, 85},
                                                   {224, 230, 97},
                                                   {232, 235, 101},
                                                   {236, 239, 105},
                                                   {242, 246, 111},
                                                   {249, 252, 117}}};

Integer withoutAccent(Integer c) {
    for (const auto& range : kAccents)
        if (c >= range.from && c <= range.to)
            return range.plain;
    return c;
}

} // namespace

// The host sees every key first; the rules then work on the code it left.
void Veltra::dbComb_KeyPress(Integer& KeyAscii) {
    resumeNext([&] { events_.KeyPress(KeyAscii); });
    if (KeyAscii == Ascii::CtrlC || KeyAscii == Ascii::CtrlV)
        return;
    if (isRefused(KeyAscii)) {
        KeyAscii = 0;
        return;
    }
    state_->TeclouApagar = KeyAscii == Ascii::Backspace;
    // Enter confirms the text and never reaches the box; it may act as a click and a Tab,
    // in that order.
    if (KeyAscii == Ascii::Enter) {
        resumeNext([&] { state_->TextoConfirmado = dbComb.Text(); });
        if (sAutoEnterClick_)
            resumeNext([&] { events_.Click(); });
        if (sAutoEnterTab_)
            DarTAB();
        KeyAscii = Ascii::None;
        return;
    }
    if (passesUntouched(KeyAscii))
        return;
    if (sApenasLetras_ && !isLetterOrNameMark(KeyAscii)) {
        KeyAscii = 0;
        return;
    }
    if (sTirarAcento_)
        KeyAscii = withoutAccent(KeyAscii);
}

} // namespace veltra

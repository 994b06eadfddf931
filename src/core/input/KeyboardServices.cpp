// The key-down handler and the keyboard and pointer services around it.
#include "control/ResumeNext.h"
#include "control/WorkingState.h"
#include "veltra/Codes.h"
#include "veltra/Veltra.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace veltra {

namespace {

// A single-precision length as a 32-bit integer, rounded half to even; throws when it
// does not fit.
Long roundedToLong(Single value) {
    const double rounded = std::nearbyint(static_cast<double>(value));
    if (!(rounded >= std::numeric_limits<Long>::min() &&
          rounded <= std::numeric_limits<Long>::max()))
        throw std::overflow_error("coordinate out of range");
    return static_cast<Long>(rounded);
}

} // namespace

// The first key after focus entry drops the list open, with the caret still at the
// start (the box selects its whole text on focus entry); Enter and Tab never do.
void Veltra::dbComb_KeyDown(Integer& KeyCode, Integer& Shift) {
    if (KeyCode != Key::Enter && KeyCode != Key::Tab && state_->AbrirListaPendente &&
        readOr(true, [&] { return dbComb.SelStart() == 0; })) {
        state_->ListaAbertaNaTecla = true;
        state_->AbrirListaPendente = false;
        resumeNext([&] { windowing_.SendKeys(u"%{DOWN}", false); });
    }
    // The tool tip shows a character counter while the user types; arrows clear it.
    if (Key::isArrow(KeyCode))
        resumeNext([&] { dbComb.ToolTipText(u""); });
    resumeNext([&] { events_.KeyDown(KeyCode, Shift); });
}

Variant Veltra::DarTAB() {
    // Scan codes 1 and 0, not Tab's hardware code: the receiving window only reads the key.
    resumeNext([&] { windowing_.keybd_event(9, 1, 0, 0); });
    resumeNext([&] { windowing_.keybd_event(9, 0, KeyEventFlags::KeyUp, 0); });
    return {};
}

void Veltra::AbrirJanela() {
    resumeNext([&] { dbComb.SetFocus(); });
    resumeNext([&] { windowing_.SendKeys(u"+", false); });
}

// Follows the colour on screen, not TemFoco: a host that recolours the box changes it.
bool Veltra::EstarComFoco() {
    return readOr(false, [&] { return dbComb.BackColor() == CorDeFoco; });
}

// Puts the mouse pointer on the drop-down button: 10 pixels left of the box's right edge
// and 13 above its bottom edge. A size that cannot be read leaves its coordinate at 0.
void Veltra::PosicionarCursor() {
    Point point;
    resumeNext([&] { point.x = roundedToLong(dbComb.Width() - 10); });
    resumeNext([&] { point.y = roundedToLong(dbComb.Height() - 13); });
    resumeNext([&] { point = windowing_.ClientToScreen(host_.hWnd(), point); });
    resumeNext([&] { windowing_.SetCursorPos(point.x, point.y); });
}

} // namespace veltra

// The key-down handler and the keyboard and pointer services around it.
#include "control/ResumeNext.h"
#include "veltra/Veltra.h"

namespace veltra {

// Missing before the relay: opening the list on the first key after focus entry and
// clearing the tool tip on arrow keys.
void Veltra::dbComb_KeyDown(Integer& KeyCode, Integer& Shift) {
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

} // namespace veltra

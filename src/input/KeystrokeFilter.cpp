// The filter every typed character passes before the combo box inserts it.
#include "control/ResumeNext.h"
#include "veltra/Veltra.h"

namespace veltra {

// Missing after the relay: refused characters, Enter, letters only and accent removal.
void Veltra::dbComb_KeyPress(Integer& KeyAscii) {
    resumeNext([&] { events_.KeyPress(KeyAscii); });
}

} // namespace veltra

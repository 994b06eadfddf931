// The handler of every change of the combo box's text.
#include "control/ResumeNext.h"
#include "veltra/Veltra.h"

namespace veltra {

// Missing after the relay: forgetting the full list and the confirmed text, the emptied
// box, and the corrections of length, trailing spaces and case.
void Veltra::dbComb_Change() {
    resumeNext([&] { events_.Change(); });
}

} // namespace veltra

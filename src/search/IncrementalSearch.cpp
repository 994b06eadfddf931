// The search that runs on every key release.
#include "control/ResumeNext.h"
#include "veltra/Veltra.h"

namespace veltra {

// Missing after the pointer step: the list just opened, the counter, the gate, the
// search, completion, tail selection and key report.
void Veltra::dbComb_KeyUp(Integer& KeyCode, Integer& Shift) {
    resumeNext([&] { events_.KeyUp(KeyCode, Shift); });
    if (readOr(true, [&] { return !dbComb.Text().empty(); }) && KeyCode != 9 && KeyCode != 13)
        PosicionarCursor();
}

} // namespace veltra

// Mouse, click and text-box events passed on to the host.
#include "control/ResumeNext.h"
#include "veltra/Veltra.h"

namespace veltra {

// Missing: confirming a clicked list row and reporting its key, and cancelling the
// automatic list opening on a button click.
void Veltra::dbComb_Click(Integer& Area) {
    Area = 0;
}

void Veltra::dbComb_DblClick(Integer& Area) {
    resumeNext([&] { events_.DblClick(Area); });
    Area = 0;
}

void Veltra::dbComb_MouseMove(Integer& Button, Integer& Shift, Single& x, Single& y) {
    resumeNext([&] { events_.MouseMove(Button, Shift, x, y); });
}

// Missing after the relay: the whole-text selection of a focusing click.
void Veltra::dbComb_MouseDown(Integer& Button, Integer& Shift, Single& x, Single& y) {
    resumeNext([&] { events_.MouseDown(Button, Shift, x, y); });
}

void Veltra::dbComb_MouseUp(Integer& Button, Integer& Shift, Single& x, Single& y) {
    resumeNext([&] { events_.MouseUp(Button, Shift, x, y); });
}

// Missing: reporting an emptied text box as an empty key.
void Veltra::txtDbComb_Change() {
}

} // namespace veltra

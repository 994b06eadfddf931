// The search that runs on every key release.
#include "control/ResumeNext.h"
#include "veltra/Veltra.h"

namespace veltra {

// Missing after the relay: the search, completion, tail selection and key report.
void Veltra::dbComb_KeyUp(Integer& KeyCode, Integer& Shift) {
    resumeNext([&] { events_.KeyUp(KeyCode, Shift); });
}

} // namespace veltra

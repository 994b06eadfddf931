#include "PeopleTable.h"

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

namespace veltra::bench {

double peakMegabytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

} // namespace veltra::bench

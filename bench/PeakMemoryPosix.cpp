#include "PeopleTable.h"

#include <sys/resource.h>

namespace veltra::bench {

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

} // namespace veltra::bench

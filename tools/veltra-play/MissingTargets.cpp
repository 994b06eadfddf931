// A build without a front end runs scenarios on the platforms it has.
#include "Target.h"

namespace veltra::play {

#ifndef VELTRA_QT_TARGET
std::unique_ptr<Target> makeQtTarget(TraceSink) {
    return nullptr;
}
#endif

#ifndef VELTRA_WIN32_TARGET
std::unique_ptr<Target> makeWin32Target(TraceSink) {
    return nullptr;
}
#endif

} // namespace veltra::play

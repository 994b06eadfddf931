// A build without the Qt front end runs scenarios on the headless platform only.
#include "Target.h"

namespace veltra::play {

std::unique_ptr<Target> makeQtTarget(TraceSink) {
    return nullptr;
}

} // namespace veltra::play

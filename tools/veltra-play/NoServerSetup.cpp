#include "Setup.h"

namespace veltra::play {

std::unique_ptr<SetupDatabase> makeServerSetup() {
    return nullptr;
}

} // namespace veltra::play

#include "PostgresIndex.h"

#include <iostream>

namespace veltra::index {

int indexServerTable(const char*, const char*, const char*, const char*) {
    std::cerr << "veltra-index: this build has no PostgreSQL support (VELTRA_POSTGRESQL)\n";
    return 2;
}

} // namespace veltra::index

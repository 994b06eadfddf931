// A build without the Access reader: no Access table is ever read (accessSupported is false).
#include "Errors.h"
#include "access/AccessFile.h"

namespace veltra::detail {

std::vector<std::string> accessTables(const std::string& path) {
    fail(DataError::AccessNotBuilt, {path});
}

void readAccessTable(const std::string& path, const std::string&,
                     const std::function<void(const std::vector<AccessColumn>&)>&,
                     const std::function<void(const std::vector<AccessValue>&)>&) {
    fail(DataError::AccessNotBuilt, {path});
}

} // namespace veltra::detail

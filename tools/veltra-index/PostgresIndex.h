#pragma once

#include <string>
#include <vector>

namespace veltra::index {

// Makes the server's folding function and the indexes of one column (key: the key column
// the control reads with it, or null); returns the exit status, having reported a failure
// on standard error.
int indexServerTable(const char* conninfo, const char* table, const char* column, const char* key,
                     const std::vector<std::string>& covered = {});

} // namespace veltra::index

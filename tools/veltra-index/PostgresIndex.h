#pragma once

namespace veltra::index {

// Makes the server's folding function and the indexes of one column; returns the exit
// status, having reported a failure on standard error.
int indexServerTable(const char* conninfo, const char* table, const char* column);

} // namespace veltra::index

// SQLite's failures as the error numbers and Portuguese descriptions the control knows.
#pragma once

#include <string>
#include <vector>

namespace veltra::detail {

// Throws veltra::Error for a failure with SQLite's result code and message, on the file at
// path. The parameters bound to the failed statement name its text literals in the message.
[[noreturn]] void throwSqliteError(int code, const std::string& message, const std::string& path,
                                   const std::vector<std::string>& parameters);

} // namespace veltra::detail

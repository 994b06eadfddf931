// The demo form's state picker: "Todos os estados" (id 0), then the 27 states as "SIGLA -
// Nome", read through a data control of the form's own, so that they come from a server as
// well as from a file.
#pragma once

#include "veltra/Types.h"

#include <utility>
#include <vector>

namespace veltra::demo {

// Writes why the states could not be read to standard error and gives the first entry only.
std::vector<std::pair<String, int>> states(const String& connect, const String& database);

} // namespace veltra::demo

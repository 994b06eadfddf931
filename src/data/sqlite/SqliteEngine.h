// This file is not part of the API. The SQLite engine of the data control: what the rest of
// the data source may call of it.
#pragma once

#include "Engine.h"

namespace veltra::detail {

// Opens a database file read-only (an Access file is read into copies): throws
// veltra::Error (3024 missing, 3343 not a database).
std::shared_ptr<Engine> openSqlite(const String& name, const String& connect);

} // namespace veltra::detail

// This file is not part of the API. The PostgreSQL engine of the data control.
#pragma once

#include "data/Engine.h"

namespace veltra::detail {

// Connect "PostgreSQL" (any case), alone or followed by ";" and libpq settings.
bool connectNamesServer(const String& connect);
// Connects to the server that the libpq connection string or URI names; throws veltra::Error
// (3151 unreachable, 3029 refused account or password, 3024 no such database).
std::shared_ptr<Engine> openPostgres(const String& name, const String& connect);

} // namespace veltra::detail

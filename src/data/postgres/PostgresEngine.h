// This file is not part of the API. The PostgreSQL engine of the data control.
#pragma once

#include "Engine.h"

namespace veltra::detail {

// Connect "PostgreSQL" (any case), alone or followed by ";" and libpq settings.
bool connectNamesServer(const String& connect);
// Connects to the server that the libpq connection string or URI names; throws veltra::Error
// (3151 unreachable, 3029 refused account or password, 3024 no such database).
std::shared_ptr<Engine> openPostgres(const String& name, const String& connect);
// A database name and a connect kind as a form may keep them: without a password or other
// secret, in whatever spelling (libpq's own means supply those: .pgpass, a service file).
// A connection string that libpq cannot read is not kept at all.
String savedServerName(const String& name);
String savedServerConnect(const String& connect);

} // namespace veltra::detail

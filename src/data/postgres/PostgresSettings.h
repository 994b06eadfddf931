// This file is not part of the API. A server connection's settings as libpq reads them,
// and what of them may be shown or saved: never a password.
#pragma once

#include <chrono>
#include <map>
#include <string>

namespace veltra::detail::pg {

using Settings = std::map<std::string, std::string>;

// The settings of a libpq connection string or URI; throws veltra::Error 3151 for one that
// libpq cannot read, without repeating any of it (a password may be what broke it).
Settings settingsOf(const std::string& conninfo);
// The settings a database name gives: a connection string or URI, or else the name of a
// database on the server that the environment (PGHOST, a service file) points to.
Settings settingsOfName(const std::string& name);
// Whether a database name is a connection string or URI rather than a database's name.
bool isConnectionString(const std::string& name);

// The statement time limit that a session's options set last, read as the server reads
// it: a number of milliseconds, or a number with its unit (us, ms, s, min, h, d); none
// when they set none.
std::chrono::milliseconds statementTimeoutIn(const std::string& options);

// The connection string without the settings that hold secrets (password, sslpassword),
// written as key=value settings; empty for one that libpq cannot read.
std::string withoutSecrets(const std::string& conninfo);
// The message with every secret of the settings blotted out.
std::string withoutSecrets(std::string message, const Settings& settings);

} // namespace veltra::detail::pg

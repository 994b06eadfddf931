// The desktop-database dialect's functions and collation on a SQLite connection.
#pragma once

struct sqlite3;

namespace veltra::detail {

// The folded collation, the residual like match, cstr and Val.
void registerDialect(sqlite3* db);

} // namespace veltra::detail

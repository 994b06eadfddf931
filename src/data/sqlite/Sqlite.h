// This file is not part of the API. A thin ownership layer over SQLite, as Pq.h is over
// libpq: a database connection and a prepared statement that free themselves.
#pragma once

#include <memory>
#include <sqlite3.h>
#include <string>

namespace veltra::detail::sqlite {

struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The statement prepared, or nothing when it cannot be (the database's message says why).
inline Statement prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr);
    return Statement(statement);
}

} // namespace veltra::detail::sqlite

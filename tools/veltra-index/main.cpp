// veltra-index FILE TABLE COLUMN: adds to a database file the folded-text index that
// Veltra searches, so that the control needs no copy of the table of its own.
// veltra-index --postgresql CONNINFO TABLE COLUMN [KEY]: the same for a table on a
// PostgreSQL server (see PostgresIndex.cpp); KEY is the control's bound column.
//
// The index uses the collation veltra_fold. Programs that write the table afterwards must
// know that collation too (SQLite reports "no such collation sequence" otherwise); drop
// the index (DROP INDEX) before writing with such a program.
#include "PostgresIndex.h"
#include "data/Dialect.h"
#include "data/Folding.h"

#include <cstring>
#include <iostream>
#include <sqlite3.h>
#include <string>

namespace {

int collate(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return veltra::dialect::compareFolded(
        std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(lengthA)),
        std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lengthB)));
}

bool indexExists(sqlite3* db, const std::string& name) {
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?1", -1,
                       &query, nullptr);
    sqlite3_bind_text(query, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    const bool exists = sqlite3_step(query) == SQLITE_ROW;
    sqlite3_finalize(query);
    return exists;
}

int indexFile(const char* file, const std::string& table, const std::string& column) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::cerr << file << ": " << sqlite3_errmsg(db) << '\n';
        sqlite3_close(db);
        return 1;
    }
    sqlite3_create_collation(db, veltra::dialect::kCollation, SQLITE_UTF8, nullptr, collate);
    const std::string name = veltra::dialect::quoteName(table + "_" + column + "_veltra");
    // An index made by an earlier release is rebuilt: the folding may have changed since.
    const std::string sql = indexExists(db, table + "_" + column + "_veltra")
                                ? "REINDEX " + name
                                : "CREATE INDEX " + name + " ON " +
                                      veltra::dialect::quoteName(table) + " (" +
                                      veltra::dialect::quoteName(column) + " COLLATE " +
                                      veltra::dialect::kCollation + ")";
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::cerr << file << ": " << (message ? message : "failed") << '\n';
        sqlite3_free(message);
        sqlite3_close(db);
        return 1;
    }
    sqlite3_close(db);
    std::cout << "Index " << table << "_" << column << "_veltra ready in " << file << '\n';
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "--postgresql") == 0)
        return veltra::index::indexServerTable(argv[2], argv[3], argv[4],
                                               argc == 6 ? argv[5] : nullptr);
    if (argc != 4 || argv[1][0] == '-') {
        std::cerr << "usage: veltra-index FILE TABLE COLUMN\n"
                     "       veltra-index --postgresql CONNINFO TABLE COLUMN [KEY]\n";
        return 2;
    }
    return indexFile(argv[1], argv[2], argv[3]);
}

// veltra-index FILE TABLE COLUMN: adds to a database file the folded-text index that
// Veltra searches, so that the control needs no copy of the table of its own.
// veltra-index --postgresql CONNINFO TABLE COLUMN [KEY]: the same for a table on a
// PostgreSQL server (see PostgresIndex.cpp); KEY is the control's bound column.
//
// The index uses the collation veltra_fold. Programs that write the table afterwards must
// know that collation too (SQLite reports "no such collation sequence" otherwise); drop
// the index (DROP INDEX) before writing with such a program.
#include "PostgresIndex.h"
#include "dialect/Emitter.h"
#include "dialect/Folding.h"
#include "sqlite/SqliteDialect.h"

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

int indexFile(const char* file, const std::string& table, const std::string& column) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::cerr << file << ": " << sqlite3_errmsg(db) << '\n';
        sqlite3_close(db);
        return 1;
    }
    sqlite3_create_collation(db, veltra::detail::kCollation, SQLITE_UTF8, nullptr, collate);
    const std::string name = veltra::dialect::quoteName(table + "_" + column + "_veltra");
    const std::string quoted = veltra::dialect::quoteName(column);
    // An index made by an earlier release is made again: the folding or the index's form may
    // have changed since. The exact text after the folded one is the order in which Veltra
    // takes names that fold alike.
    const std::string sql = "DROP INDEX IF EXISTS " + name + "; CREATE INDEX " + name + " ON " +
                            veltra::dialect::quoteName(table) + " (" + quoted + " COLLATE " +
                            veltra::detail::kCollation + ", " + quoted + " COLLATE BINARY)";
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

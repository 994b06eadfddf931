// veltra-index FILE TABLE COLUMN [--cover COLUMNS]: adds to a database file the folded-text
// index that Veltra searches, so that the control needs no copy of the table of its own.
// veltra-index --postgresql CONNINFO TABLE COLUMN [KEY] [--cover COLUMNS]: the same for a
// table on a PostgreSQL server (see PostgresIndex.cpp); KEY is the control's bound column.
// COLUMNS are the extra columns the list shows (x5_OutrasColunas, "UF;Regiao"): the index
// carries them, so that searches read the index alone.
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
#include <vector>

namespace {

int collate(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return veltra::dialect::compareFolded(
        std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(lengthA)),
        std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lengthB)));
}

// The table's integer key (its row id under a name), or empty when it has none.
std::string integerKeyOf(sqlite3* db, const std::string& table) {
    std::string key;
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT name FROM pragma_table_info(?1) WHERE pk = 1 AND lower(type) = "
                       "'integer' AND (SELECT count(*) FROM pragma_table_info(?1) WHERE pk > 0) "
                       "= 1",
                       -1, &query, nullptr);
    sqlite3_bind_text(query, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(query) == SQLITE_ROW)
        key = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
    sqlite3_finalize(query);
    return key;
}

int indexFile(const char* file, const std::string& table, const std::string& column,
              const std::vector<std::string>& covered) {
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
    // Columns covered come after the key, which breaks ties as the row id does.
    std::string coveredColumns;
    if (const std::string key = integerKeyOf(db, table); !key.empty() && !covered.empty()) {
        coveredColumns = ", " + veltra::dialect::quoteName(key);
        for (const auto& other : covered)
            coveredColumns += ", " + veltra::dialect::quoteName(other);
    }
    const std::string sql = "DROP INDEX IF EXISTS " + name + "; CREATE INDEX " + name + " ON " +
                            veltra::dialect::quoteName(table) + " (" + quoted + " COLLATE " +
                            veltra::detail::kCollation + ", " + quoted + " COLLATE BINARY" +
                            coveredColumns + ")";
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

// The names of "UF;Regiao", without spaces around them.
std::vector<std::string> namesOf(const std::string& list) {
    std::vector<std::string> names;
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t end = std::min(list.find(';', from), list.size());
        std::string name = list.substr(from, end - from);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (!name.empty())
            names.push_back(name);
        from = end + 1;
    }
    return names;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> covered;
    std::vector<const char*> arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cover") == 0 && i + 1 < argc)
            covered = namesOf(argv[++i]);
        else
            arguments.push_back(argv[i]);
    }
    const std::size_t count = arguments.size();
    if ((count == 4 || count == 5) && std::strcmp(arguments[0], "--postgresql") == 0)
        return veltra::index::indexServerTable(arguments[1], arguments[2], arguments[3],
                                               count == 5 ? arguments[4] : nullptr, covered);
    if (count != 3 || arguments[0][0] == '-') {
        std::cerr << "usage: veltra-index FILE TABLE COLUMN [--cover COLUMNS]\n"
                     "       veltra-index --postgresql CONNINFO TABLE COLUMN [KEY] "
                     "[--cover COLUMNS]\n";
        return 2;
    }
    return indexFile(arguments[0], arguments[1], arguments[2], covered);
}

#include "data/FoldedCopies.h"

#include "data/Connection.h"

#include <algorithm>
#include <sqlite3.h>

namespace veltra::detail {

// The index in the folded collation through which searches on a column of a copy go.
std::string foldedIndexStatement(const std::string& schema, const std::string& table,
                                 const std::string& column) {
    return "CREATE INDEX IF NOT EXISTS " + schema + "." +
           dialect::quoteName(table + "$" + dialect::asciiLower(column)) + " ON " +
           dialect::quoteName(table) + " (" + dialect::quoteName(column) + " COLLATE " +
           dialect::kCollation + ")";
}

void FoldedCopies::forget(std::vector<std::string>& stale) {
    foldedIndexes_.clear();
    for (const auto& [name, columns] : copies_)
        stale.push_back("temp." + dialect::quoteName(name));
    copies_.clear();
}

bool FoldedCopies::hasFoldedIndex(SqliteConnection& connection, const std::string& table,
                                  const std::string& column) {
    const std::string key = dialect::asciiLower(table) + '\n' + dialect::asciiLower(column);
    if (const auto known = foldedIndexes_.find(key); known != foldedIndexes_.end())
        return known->second;
    bool found = false;
    const auto indexes =
        connection.prepare("SELECT name FROM pragma_index_list(?1, 'main')", {table});
    while (!found && sqlite3_step(indexes.get()) == SQLITE_ROW) {
        const std::string index =
            reinterpret_cast<const char*>(sqlite3_column_text(indexes.get(), 0));
        const auto first =
            connection.prepare("SELECT name, coll FROM pragma_index_xinfo(?1, 'main') "
                               "WHERE seqno = 0",
                               {index});
        if (sqlite3_step(first.get()) == SQLITE_ROW) {
            const auto* name = sqlite3_column_text(first.get(), 0);
            const auto* collation = sqlite3_column_text(first.get(), 1);
            found = name && collation &&
                    dialect::asciiLower(reinterpret_cast<const char*>(name)) ==
                        dialect::asciiLower(column) &&
                    dialect::asciiLower(reinterpret_cast<const char*>(collation)) ==
                        dialect::kCollation;
        }
    }
    foldedIndexes_[key] = found;
    return found;
}

// The columns of one table that the statement searches or sorts by and that the file has
// no folded-text index for.
std::vector<std::string> FoldedCopies::columnsToIndex(SqliteConnection& connection,
                                                      const dialect::Translation& translation,
                                                      const dialect::TableReference& table) {
    const auto names = [](const std::string& a, const std::string& b) {
        return dialect::asciiLower(a) == dialect::asciiLower(b);
    };
    const bool single = translation.tables().size() == 1;
    std::vector<std::string> columns;
    for (const auto& searched : translation.searchedColumns()) {
        const bool ours =
            searched.qualifier.empty()
                ? single ||
                      sqlite3_table_column_metadata(connection.handle(), "main", table.name.c_str(),
                                                    searched.column.c_str(), nullptr, nullptr,
                                                    nullptr, nullptr, nullptr) == SQLITE_OK
                : names(searched.qualifier, table.alias.empty() ? table.name : table.alias);
        const bool exists =
            sqlite3_table_column_metadata(connection.handle(), "main", table.name.c_str(),
                                          searched.column.c_str(), nullptr, nullptr, nullptr,
                                          nullptr, nullptr) == SQLITE_OK;
        if (ours && exists && !hasFoldedIndex(connection, table.name, searched.column) &&
            std::none_of(columns.begin(), columns.end(),
                         [&](const std::string& c) { return names(c, searched.column); }))
            columns.push_back(searched.column);
    }
    return columns;
}

// The copy has the table's columns with their declared types; a column that is the
// table's integer primary key stays the copy's row id, so that an index of the copy covers
// the key column as the table's own index does.
std::string FoldedCopies::copyDefinition(SqliteConnection& connection, const std::string& table,
                                         const std::string& copy) {
    struct Column {
        std::string name;
        std::string type;
        bool key;
    };
    std::vector<Column> columns;
    const auto info = connection.prepare(
        "SELECT name, type, pk FROM pragma_table_info(?1, 'main') ORDER BY cid", {table});
    while (sqlite3_step(info.get()) == SQLITE_ROW) {
        const auto text = [&](int c) {
            const auto* value = sqlite3_column_text(info.get(), c);
            return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
        };
        columns.push_back({text(0), text(1), sqlite3_column_int(info.get(), 2) > 0});
    }
    const bool rowIdKey =
        std::count_if(columns.begin(), columns.end(), [](const Column& c) { return c.key; }) == 1;
    std::string sql = "CREATE TEMP TABLE " + dialect::quoteName(copy) + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto& column = columns[i];
        sql += (i ? ", " : "") + dialect::quoteName(column.name) + " " + column.type;
        if (column.key && rowIdKey && dialect::asciiLower(column.type) == "integer")
            sql += " PRIMARY KEY";
    }
    return sql + ")";
}

// The connection's own copy of a table, with a folded-text index on each column given.
// The file itself is never written: the copy lives in the connection's temp schema.
std::string FoldedCopies::copyOf(SqliteConnection& connection, const std::string& table,
                                 const std::vector<std::string>& columns) {
    const std::string name =
        "veltra$" + dialect::asciiLower(table) + "$" + std::to_string(connection.generation());
    auto& indexed = copies_[name];
    std::vector<std::string> missing;
    for (const auto& column : columns)
        if (!indexed.contains(dialect::asciiLower(column)))
            missing.push_back(column);
    if (indexed.empty() || !missing.empty()) {
        const SqliteConnection::WritableMoment writable(connection);
        if (indexed.empty()) {
            connection.execute(copyDefinition(connection, table, name));
            connection.execute("INSERT INTO temp." + dialect::quoteName(name) +
                               " SELECT * FROM main." + dialect::quoteName(table));
        }
        for (const auto& column : missing) {
            connection.execute(foldedIndexStatement("temp", name, column));
            indexed.insert(dialect::asciiLower(column));
        }
        if (indexed.empty())
            indexed.insert(""); // the copy exists, with no index yet
    }
    return "temp." + dialect::quoteName(name);
}

std::map<std::string, std::string> FoldedCopies::readFrom(SqliteConnection& connection,
                                                          const dialect::Translation& translation) {
    const SqliteConnection::OwnWork ownWork(connection);
    std::map<std::string, std::string> readFrom;
    for (const auto& table : translation.tables()) {
        if (sqlite3_table_column_metadata(connection.handle(), "main", table.name.c_str(), nullptr,
                                          nullptr, nullptr, nullptr, nullptr, nullptr) != SQLITE_OK)
            continue; // not a table of the file: the statement itself will say so
        const auto columns = columnsToIndex(connection, translation, table);
        if (!columns.empty())
            readFrom[dialect::asciiLower(table.name)] = copyOf(connection, table.name, columns);
    }
    return readFrom;
}

} // namespace veltra::detail

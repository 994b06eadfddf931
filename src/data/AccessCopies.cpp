#include "data/AccessCopies.h"

#include "data/AccessFile.h"
#include "data/Connection.h"
#include "data/FoldedCopies.h"
#include "veltra/Text.h"

#include <algorithm>
#include <sqlite3.h>

namespace veltra::detail {

namespace {

// The copy of an Access table: its columns with the kinds the reader gives them.
std::string createCopyStatement(const std::string& qualified,
                                const std::vector<AccessColumn>& columns) {
    std::string create = "CREATE TABLE " + qualified + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const char* type = columns[i].type == 'I'   ? "INTEGER"
                           : columns[i].type == 'F' ? "REAL"
                                                    : "TEXT";
        create += (i ? ", " : "") + dialect::quoteName(columns[i].name) + " " + type;
    }
    return create + ")";
}

std::string insertStatement(const std::string& qualified, std::size_t columns) {
    std::string values;
    for (std::size_t i = 0; i < columns; ++i)
        values += i ? ", ?" : "?";
    return "INSERT INTO " + qualified + " VALUES (" + values + ")";
}

void bindRow(sqlite3_stmt* insert, const std::vector<AccessValue>& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int at = static_cast<int>(i + 1);
        if (const auto* whole = std::get_if<std::int64_t>(&row[i]))
            sqlite3_bind_int64(insert, at, *whole);
        else if (const auto* number = std::get_if<double>(&row[i]))
            sqlite3_bind_double(insert, at, *number);
        else if (const auto* text = std::get_if<std::string>(&row[i]))
            sqlite3_bind_text(insert, at, text->data(), static_cast<int>(text->size()),
                              SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(insert, at);
    }
}

} // namespace

std::map<std::string, std::string> AccessCopies::readFrom(SqliteConnection& connection,
                                                          const dialect::Translation& translation) {
    if (failure_)
        throw *failure_;
    try {
        return load(connection, translation);
    } catch (const Error& error) {
        if (error.number() == ErrorNumber::NotADatabase)
            failure_ = error;
        throw;
    }
}

void AccessCopies::forget(std::vector<std::string>& stale) {
    for (const auto& [name, qualified] : loaded_)
        stale.push_back(qualified);
    loaded_.clear();
    tableNames_.clear();
    failure_.reset();
}

std::map<std::string, std::string> AccessCopies::load(SqliteConnection& connection,
                                                      const dialect::Translation& translation) {
    const SqliteConnection::OwnWork ownWork(connection);
    if (tableNames_.empty())
        tableNames_ = accessTables(toUtf8(connection.path()));
    std::map<std::string, std::string> readFrom;
    for (const auto& table : translation.tables()) {
        const auto found =
            std::find_if(tableNames_.begin(), tableNames_.end(), [&](const std::string& name) {
                return dialect::asciiLower(name) == dialect::asciiLower(table.name);
            });
        if (found != tableNames_.end())
            readFrom[dialect::asciiLower(table.name)] = loadTable(connection, *found);
    }
    return readFrom;
}

// Reads the table in one transaction; a failure leaves nothing of it behind.
std::string AccessCopies::loadTable(SqliteConnection& connection, const std::string& name) {
    const std::string key = dialect::asciiLower(name);
    if (const auto loaded = loaded_.find(key); loaded != loaded_.end())
        return loaded->second;
    const std::string local =
        "veltra$access$" + key + "$" + std::to_string(connection.generation());
    const std::string qualified = "main." + dialect::quoteName(local);
    std::vector<AccessColumn> columns;
    sqlite3_stmt* insert = nullptr;
    const auto createTable = [&](const std::vector<AccessColumn>& header) {
        columns = header;
        connection.execute(createCopyStatement(qualified, header));
        const std::string sql = insertStatement(qualified, header.size());
        if (sqlite3_prepare_v2(connection.handle(), sql.c_str(), -1, &insert, nullptr) != SQLITE_OK)
            connection.fail(sqlite3_errcode(connection.handle()));
    };
    const auto insertRow = [&](const std::vector<AccessValue>& row) {
        bindRow(insert, row);
        if (sqlite3_step(insert) != SQLITE_DONE)
            connection.fail(sqlite3_errcode(connection.handle()));
        sqlite3_reset(insert);
    };
    const SqliteConnection::WritableMoment writable(connection);
    try {
        connection.execute("BEGIN");
        readAccessTable(toUtf8(connection.path()), name, createTable, insertRow);
        sqlite3_finalize(insert);
        insert = nullptr;
        for (const auto& column : columns)
            if (column.type == 'T')
                connection.execute(foldedIndexStatement("main", local, column.name));
        connection.execute("COMMIT");
    } catch (...) {
        sqlite3_finalize(insert);
        sqlite3_exec(connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    loaded_[key] = qualified;
    return qualified;
}

} // namespace veltra::detail

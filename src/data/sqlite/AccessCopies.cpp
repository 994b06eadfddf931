#include "sqlite/AccessCopies.h"

#include "Errors.h"
#include "access/AccessFile.h"
#include "sqlite/Connection.h"
#include "sqlite/FoldedCopies.h"
#include "sqlite/Sqlite.h"
#include "veltra/Text.h"

#include <algorithm>
#include <set>

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

// Reads the table with the helper into a copy file, with a folded index on every text column.
void readIntoCopyFile(const String& path, const std::string& table, const CopyOrigin& origin,
                      const std::filesystem::path& file) {
    CopyWriter writer(file);
    const std::string qualified = "main." + dialect::quoteName(kCopyTable);
    std::set<std::string> texts;
    sqlite::Statement insert;
    const auto createTable = [&](const std::vector<AccessColumn>& header) {
        writer.execute(createCopyStatement(qualified, header));
        for (const auto& column : header)
            if (column.type == 'T')
                texts.insert(column.name);
        insert = sqlite::prepare(writer.handle(), insertStatement(qualified, header.size()));
        if (!insert)
            writer.fail();
    };
    const auto insertRow = [&](const std::vector<AccessValue>& row) {
        bindRow(insert.get(), row);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            writer.fail();
        sqlite3_reset(insert.get());
    };
    writer.execute("BEGIN");
    readAccessTable(toUtf8(path), table, createTable, insertRow);
    insert.reset();
    for (const auto& column : texts)
        writer.execute(foldedIndexStatement("main", kCopyTable, column));
    writer.execute("COMMIT");
    writer.publish(origin, texts);
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

void AccessCopies::discard(SqliteConnection& connection) {
    for (const auto& [name, copy] : loaded_) {
        std::error_code ignored;
        std::filesystem::remove(copyFileFor(connection, name), ignored);
    }
    forget(connection);
}

void AccessCopies::forget(SqliteConnection& connection) {
    for (const auto& [name, copy] : loaded_)
        connection.detachLater(copy.schema);
    loaded_.clear();
    tableNames_.clear();
    failure_.reset();
}

std::map<std::string, std::string> AccessCopies::load(SqliteConnection& connection,
                                                      const dialect::Translation& translation) {
    const SqliteConnection::OwnWork ownWork(connection);
    std::map<std::string, std::string> readFrom;
    for (const auto& table : translation.tables()) {
        // A copy made by an earlier launch answers without asking the file for its tables.
        if (const auto copy = attachedOrCached(connection, table.name)) {
            readFrom[dialect::asciiLower(table.name)] = *copy;
            continue;
        }
        if (tableNames_.empty())
            tableNames_ = accessTables(toUtf8(connection.path()));
        const auto found =
            std::find_if(tableNames_.begin(), tableNames_.end(), [&](const std::string& name) {
                return dialect::sameName(name, table.name);
            });
        if (found != tableNames_.end())
            readFrom[dialect::asciiLower(table.name)] = loadTable(connection, *found);
    }
    return readFrom;
}

// An Access table is read only through its copy: without a folder to keep it, there is no
// search.
std::filesystem::path AccessCopies::copyFileFor(SqliteConnection& connection,
                                                const std::string& name) {
    if (auto file = connection.copyFileFor(name))
        return *file;
    fail(DataError::NoCopyFolder, {name});
}

// The copy made by an earlier search or launch, when it holds this version of the table.
std::optional<std::string> AccessCopies::attachedOrCached(SqliteConnection& connection,
                                                          const std::string& name) {
    const std::string key = dialect::asciiLower(name);
    if (const auto loaded = loaded_.find(key); loaded != loaded_.end()) {
        if (connection.isAttached(loaded->second.schema)) {
            connection.touch(loaded->second.schema);
            return loaded->second.table();
        }
        loaded_.erase(loaded); // detached to make room for another: attached again
    }
    auto attached = connection.attachCopy(copyFileFor(connection, name), connection.originOf(name));
    if (attached.noRoom)
        fail(DataError::NoRoomForCopy, {name});
    if (!attached.copy)
        return std::nullopt;
    return loaded_.emplace(key, std::move(*attached.copy)).first->second.table();
}

// The table read into a new copy file, in one transaction.
std::string AccessCopies::loadTable(SqliteConnection& connection, const std::string& name) {
    if (const auto copy = attachedOrCached(connection, name))
        return *copy;
    const std::string key = dialect::asciiLower(name);
    const auto file = copyFileFor(connection, name);
    const auto origin = connection.originOf(name);
    readIntoCopyFile(connection.path(), name, origin, file);
    auto attached = connection.attachCopy(file, origin);
    if (!attached.copy)
        fail(DataError::CopyUnreadable, {utf8Path(file)});
    return loaded_.emplace(key, std::move(*attached.copy)).first->second.table();
}

} // namespace veltra::detail

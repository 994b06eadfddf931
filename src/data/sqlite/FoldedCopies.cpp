#include "sqlite/FoldedCopies.h"

#include "sqlite/Connection.h"
#include "sqlite/CopyFiles.h"
#include "sqlite/Sqlite.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <thread>

namespace veltra::detail {

// The index through which searches on a column of a copy go: the folded text, then the
// exact text, then (as in every index) the row id, which is the order that ties come in.
std::string foldedIndexStatement(const std::string& schema, const std::string& table,
                                 const std::string& column, const std::string& key,
                                 const std::vector<std::string>& covered) {
    const std::string name = dialect::quoteName(column);
    std::string coveredColumns;
    if (!key.empty() && !covered.empty()) {
        coveredColumns = ", " + dialect::quoteName(key);
        for (const auto& other : covered)
            coveredColumns += ", " + dialect::quoteName(other);
    }
    return "CREATE INDEX IF NOT EXISTS " + schema + "." +
           dialect::quoteName(table + "$" + dialect::asciiLower(column)) + " ON " +
           dialect::quoteName(table) + " (" + name + " COLLATE " + kCollation + ", " + name +
           " COLLATE BINARY" + coveredColumns + ")";
}

namespace {

// The copy's table: the source table's columns with their declared types; a column that is
// the table's integer primary key stays the copy's row id, so that an index of the copy
// covers the key column as the table's own index does.
std::string copyDefinition(CopyWriter& writer, const std::string& table) {
    struct Column {
        std::string name;
        std::string type;
        bool key;
    };
    std::vector<Column> columns;
    const bool read = runStatement(
        writer.handle(), "SELECT name, type, pk FROM pragma_table_info(?1, 'source') ORDER BY cid",
        {table}, [&](sqlite3_stmt* info) {
            const auto text = [&](int c) {
                const auto* value = sqlite3_column_text(info, c);
                return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
            };
            columns.push_back({text(0), text(1), sqlite3_column_int(info, 2) > 0});
        });
    if (!read)
        writer.fail();
    const bool rowIdKey =
        std::count_if(columns.begin(), columns.end(), [](const Column& c) { return c.key; }) == 1;
    std::string sql = "CREATE TABLE " + dialect::quoteName(kCopyTable) + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto& column = columns[i];
        sql += (i ? ", " : "") + dialect::quoteName(column.name) + " " + column.type;
        if (column.key && rowIdKey && dialect::sameName(column.type, "integer"))
            sql += " PRIMARY KEY";
    }
    return sql + ")";
}

constexpr sqlite3_int64 kRowIdsPerSlice = 100'000;

// The rows are copied in slices of row ids, each read in a transaction of its own, so that
// a program writing the file waits for one slice at most. A write between two slices
// changes the file, and the copy of a changed file is never read. Each slice begins at the
// next row id there is, so that sparse row ids make no empty slices.
void copyRows(CopyWriter& writer, const std::string& table) {
    const std::string source = "source." + dialect::quoteName(table);
    const std::string insert =
        "INSERT INTO main." + dialect::quoteName(kCopyTable) + " SELECT * FROM " + source;
    const std::string nextSql = "SELECT min(rowid) FROM " + source + " WHERE rowid > ?1";
    const auto next = sqlite::prepare(writer.handle(), nextSql);
    if (!next) {
        writer.execute(insert); // no row ids (a view): in one read
        return;
    }
    const auto slice =
        sqlite::prepare(writer.handle(), insert + " WHERE rowid BETWEEN ?1 AND ?2 ORDER BY rowid");
    constexpr auto kLast = std::numeric_limits<sqlite3_int64>::max();
    sqlite3_int64 last = std::numeric_limits<sqlite3_int64>::min();
    bool copied = slice != nullptr;
    while (copied && last != kLast) {
        sqlite3_bind_int64(next.get(), 1, last);
        copied = sqlite3_step(next.get()) == SQLITE_ROW;
        const bool more = copied && sqlite3_column_type(next.get(), 0) != SQLITE_NULL;
        const sqlite3_int64 first = more ? sqlite3_column_int64(next.get(), 0) : 0;
        sqlite3_reset(next.get());
        if (!more)
            break;
        last = first > kLast - (kRowIdsPerSlice - 1) ? kLast : first + (kRowIdsPerSlice - 1);
        sqlite3_bind_int64(slice.get(), 1, first);
        sqlite3_bind_int64(slice.get(), 2, last);
        copied = sqlite3_step(slice.get()) == SQLITE_DONE;
        sqlite3_reset(slice.get());
    }
    if (!copied)
        writer.fail();
}

// The copy's integer key (its row id under a name), or empty when it has none.
std::string integerKeyOf(CopyWriter& writer) {
    std::string key;
    runStatement(writer.handle(),
                 "SELECT name FROM pragma_table_info(?1, 'main') WHERE pk = 1 AND "
                 "lower(type) = 'integer' AND (SELECT count(*) FROM pragma_table_info(?1, "
                 "'main') WHERE pk > 0) = 1",
                 {kCopyTable}, [&](sqlite3_stmt* row) {
                     key = reinterpret_cast<const char*>(sqlite3_column_text(row, 0));
                 });
    return key;
}

// Copies the table, indexes the columns and puts the copy file in its place.
void makeCopy(const CopyOrigin& origin, const std::set<std::string>& columns,
              const std::filesystem::path& file, const std::atomic<bool>& stop) {
    CopyWriter writer(file);
    writer.stopWhen(stop);
    if (!runStatement(writer.handle(), "ATTACH ?1 AS source", {readOnlyUri(origin.source)}))
        writer.fail();
    writer.execute(copyDefinition(writer, origin.table));
    copyRows(writer, origin.table);
    writer.execute("DETACH source");
    std::vector<std::string> covered;
    for (const auto& column : columns)
        if (column.starts_with(kCoveredMark))
            covered.push_back(column.substr(1));
    const std::string key = integerKeyOf(writer);
    for (const auto& column : columns)
        if (!column.starts_with(kCoveredMark))
            writer.execute(foldedIndexStatement("main", kCopyTable, column, key, covered));
    writer.publish(origin, columns);
}

} // namespace

// One copy being made by a thread of its own; destroying it stops the work and waits.
class FoldedCopies::Build {
  public:
    Build(CopyOrigin origin, std::set<std::string> columns, std::filesystem::path file)
        : worker_([this, origin = std::move(origin), columns = std::move(columns),
                   file = std::move(file)] {
              try {
                  makeCopy(origin, columns, file, stop_);
                  state_ = State::Made;
              } catch (...) {
                  state_ = State::Failed;
              }
          }) {}
    ~Build() {
        stop_ = true;
        wait();
    }
    Build(const Build&) = delete;
    Build& operator=(const Build&) = delete;

    void wait() {
        if (worker_.joinable())
            worker_.join();
    }
    bool done() const { return state_ != State::Running; }
    bool made() const { return state_ == State::Made; }

  private:
    enum class State { Running, Made, Failed };
    std::atomic<bool> stop_{false};
    std::atomic<State> state_{State::Running};
    std::thread worker_; // last: it starts once the flags exist
};

FoldedCopies::FoldedCopies() = default;
FoldedCopies::~FoldedCopies() = default;

void FoldedCopies::forget(SqliteConnection& connection) {
    foldedIndexes_.clear();
    for (const auto& [name, entry] : tables_)
        if (entry.copy)
            connection.detachLater(entry.copy->schema);
    tables_.clear(); // stops the builds of the old version
}

void FoldedCopies::discard(SqliteConnection& connection) {
    for (const auto& [name, entry] : tables_)
        if (entry.copy)
            if (const auto file = connection.copyFileFor(name)) {
                std::error_code ignored;
                std::filesystem::remove(*file, ignored);
            }
    forget(connection);
}

void FoldedCopies::settleBuild(Table& entry, CopyWait wait) {
    if (!entry.build)
        return;
    if (wait == CopyWait::UntilMade)
        entry.build->wait();
    if (!entry.build->done())
        return;
    entry.failed = !entry.build->made();
    entry.made = entry.build->made();
    entry.build.reset();
}

// Attaches the table's copy file when it is new since last looked at and holds this
// version of the table (made by a build of ours, another program or an earlier launch).
FoldedCopies::Looked FoldedCopies::attachMadeCopy(SqliteConnection& connection, Table& entry,
                                                  const std::string& table) {
    const auto file = connection.copyFileFor(table);
    if (!file)
        return Looked::Nothing;
    const FileIdentity version = identifyFile(utf8Path(*file));
    if (version.size < 0 || version == entry.copyFile)
        return Looked::Nothing;
    auto attached = connection.attachCopy(*file, connection.originOf(table));
    if (attached.noRoom)
        return Looked::NoRoom; // looked at again by a later statement
    entry.copyFile = version;
    if (!attached.copy)
        return Looked::Nothing;
    if (entry.copy)
        connection.detachLater(entry.copy->schema);
    entry.copy = std::move(attached.copy);
    return Looked::Attached;
}

void FoldedCopies::startBuild(SqliteConnection& connection, Table& entry,
                              const std::string& table) {
    const auto file = connection.copyFileFor(table);
    if (!file) {
        entry.failed = true; // no folder takes copies: this version of the file answers
        return;
    }
    auto columns = entry.wanted;
    if (entry.copy)
        columns.insert(entry.copy->foldedColumns.begin(), entry.copy->foldedColumns.end());
    entry.made = false;
    entry.build = std::make_unique<Build>(connection.originOf(table), std::move(columns), *file);
}

// The copy that answers for the table, attached; nothing while it is being made, or when
// it cannot be (a build failed, no folder takes it, no room to attach it), and the file
// answers. A table is copied once per version of the file.
std::optional<std::string> FoldedCopies::copyFor(SqliteConnection& connection,
                                                 const std::string& table, CopyWait wait) {
    auto& entry = tables_[dialect::asciiLower(table)];
    if (entry.copy && !connection.isAttached(entry.copy->schema)) {
        entry.copy.reset(); // detached to make room for another: attached again below
        entry.copyFile = {};
    }
    const auto covers = [&] {
        return entry.copy &&
               std::includes(entry.copy->foldedColumns.begin(), entry.copy->foldedColumns.end(),
                             entry.wanted.begin(), entry.wanted.end());
    };
    settleBuild(entry, wait);
    Looked looked = covers() ? Looked::Attached : attachMadeCopy(connection, entry, table);
    if (!covers() && looked != Looked::NoRoom && !entry.build && !entry.failed) {
        // A copy that was made but cannot be read is not made again for this version.
        if (entry.made) {
            entry.failed = true;
        } else {
            startBuild(connection, entry, table);
            if (wait == CopyWait::UntilMade) {
                settleBuild(entry, wait);
                looked = attachMadeCopy(connection, entry, table);
                entry.failed = entry.failed || (!covers() && looked != Looked::NoRoom);
            }
        }
    }
    if (!covers())
        return std::nullopt;
    connection.touch(entry.copy->schema);
    return entry.copy->table();
}

bool FoldedCopies::hasFoldedIndex(SqliteConnection& connection, const std::string& table,
                                  const std::string& column) {
    const std::string key = dialect::asciiLower(table) + '\n' + dialect::asciiLower(column);
    if (const auto known = foldedIndexes_.find(key); known != foldedIndexes_.end())
        return known->second;
    const bool found = connection.indexLeadingWith(table, column, kCollation).has_value();
    foldedIndexes_[key] = found;
    return found;
}

// The other columns of the table that the statement selects by name (the extra columns a
// list shows): a copy's folded indexes carry them, so that searches read the index alone.
// The table's integer key is in every index already.
std::vector<std::string> FoldedCopies::columnsToCover(SqliteConnection& connection,
                                                      const dialect::Translation& translation,
                                                      const dialect::TableReference& table,
                                                      const std::vector<std::string>& searched) {
    std::vector<std::string> covered;
    for (const auto& core : translation.statement().select().cores)
        for (const auto& item : core.items) {
            if (!item.expr || item.expr->kind != dialect::Expr::Kind::Column ||
                !(item.expr->qualifier.empty() ||
                  dialect::sameName(item.expr->qualifier,
                                    table.alias.empty() ? table.name : table.alias)))
                continue;
            const std::string& column = item.expr->text;
            int primaryKey = 0;
            const char* type = nullptr;
            if (sqlite3_table_column_metadata(connection.handle(), "main", table.name.c_str(),
                                              column.c_str(), &type, nullptr, nullptr, &primaryKey,
                                              nullptr) != SQLITE_OK ||
                (primaryKey && type && dialect::sameName(type, "integer")))
                continue;
            const auto known = [&](const std::string& c) { return dialect::sameName(c, column); };
            if (std::none_of(searched.begin(), searched.end(), known) &&
                std::none_of(covered.begin(), covered.end(), known))
                covered.push_back(column);
        }
    return covered;
}

// The columns of one table that the statement searches or sorts by and that the file has
// no folded-text index for.
std::vector<std::string> FoldedCopies::columnsToIndex(SqliteConnection& connection,
                                                      const dialect::Translation& translation,
                                                      const dialect::TableReference& table) {
    const bool single = translation.tables().size() == 1;
    std::vector<std::string> columns;
    for (const auto& searched : translation.searchedColumns()) {
        const bool ours = searched.qualifier.empty()
                              ? single || sqlite3_table_column_metadata(
                                              connection.handle(), "main", table.name.c_str(),
                                              searched.column.c_str(), nullptr, nullptr, nullptr,
                                              nullptr, nullptr) == SQLITE_OK
                              : dialect::sameName(searched.qualifier,
                                                  table.alias.empty() ? table.name : table.alias);
        const bool exists =
            sqlite3_table_column_metadata(connection.handle(), "main", table.name.c_str(),
                                          searched.column.c_str(), nullptr, nullptr, nullptr,
                                          nullptr, nullptr) == SQLITE_OK;
        if (ours && exists && !hasFoldedIndex(connection, table.name, searched.column) &&
            std::none_of(columns.begin(), columns.end(), [&](const std::string& c) {
                return dialect::sameName(c, searched.column);
            }))
            columns.push_back(searched.column);
    }
    return columns;
}

CopiesToRead FoldedCopies::readFrom(SqliteConnection& connection,
                                    const dialect::Translation& translation, CopyWait wait) {
    const SqliteConnection::OwnWork ownWork(connection);
    CopiesToRead readFrom;
    for (const auto& table : translation.tables()) {
        if (sqlite3_table_column_metadata(connection.handle(), "main", table.name.c_str(), nullptr,
                                          nullptr, nullptr, nullptr, nullptr, nullptr) != SQLITE_OK)
            continue; // not a table of the file: the statement itself will say so
        const auto columns = columnsToIndex(connection, translation, table);
        if (columns.empty())
            continue;
        auto& entry = tables_[dialect::asciiLower(table.name)];
        for (const auto& column : columns)
            if (entry.wanted.insert(dialect::asciiLower(column)).second)
                entry.made = entry.failed = false; // a copy with the new column is wanted
        for (const auto& column : columnsToCover(connection, translation, table, columns))
            if (entry.wanted.insert(kCoveredMark + dialect::asciiLower(column)).second)
                entry.made = entry.failed = false; // its indexes are to cover the column
        if (const auto copy = copyFor(connection, table.name, wait))
            readFrom.tables[dialect::asciiLower(table.name)] = *copy;
        else
            readFrom.beingMade =
                readFrom.beingMade || tables_[dialect::asciiLower(table.name)].build != nullptr;
    }
    return readFrom;
}

} // namespace veltra::detail

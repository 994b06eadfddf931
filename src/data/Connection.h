// One read-only connection to a database file, with the dialect's functions and
// collation, the folded-text indexes that searches need, and a pool of prepared statements.
#pragma once

#include "data/Dialect.h"
#include "veltra/Error.h"
#include "veltra/Types.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace veltra::detail {

class SqliteConnection;

// A result being read row by row on a connection.
class Reader {
  public:
    virtual ~Reader() = default;
    // Stops reading: the rows read so far are all the result will have.
    virtual void stopReading() = 0;
};

// A prepared statement owned by one reader; it goes back to its connection's pool, reset,
// when the reader is done with it.
class PooledStatement {
  public:
    PooledStatement() = default;
    PooledStatement(SqliteConnection* owner, std::string sql, sqlite3_stmt* statement)
        : owner_(owner), sql_(std::move(sql)), statement_(statement) {}
    PooledStatement(PooledStatement&& other) noexcept { *this = std::move(other); }
    PooledStatement& operator=(PooledStatement&& other) noexcept;
    ~PooledStatement() { release(); }

    sqlite3_stmt* get() const { return statement_; }
    void release();

  private:
    SqliteConnection* owner_ = nullptr;
    std::string sql_;
    sqlite3_stmt* statement_ = nullptr;
};

class SqliteConnection {
  public:
    // Opens the file read-only; throws veltra::Error (3024 missing, 3343 not a database).
    SqliteConnection(const String& path, const String& connect);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Whether this connection reads the file now at the path: the same name and kind, and
    // the same file (one replaced or deleted since it was opened is another).
    bool opens(const String& path, const String& connect) const {
        return path == path_ && connect == connect_ && stamp().inode == openedInode_;
    }
    const String& path() const { return path_; }

    // Prepares the statement with its parameters bound, first building the folded-text
    // indexes its searches need when the file has none. Throws veltra::Error.
    PooledStatement prepare(const dialect::Translation& translation);
    // Prepares plain SQLite text with text parameters bound.
    PooledStatement prepare(const std::string& sql, const std::vector<std::string>& parameters);

    // While a result is being read the connection holds a read lock on every file it has
    // read since its last statement began, so a writer of the file waits. Before a new result
    // is read, the results read before it stop, and a result read from the connection's
    // own copies leaves the file free.
    void addReader(Reader* reader) { readers_.insert(reader); }
    void removeReader(Reader* reader) { readers_.erase(reader); }
    void stopOtherReaders(const Reader* keep);

    // Turns the connection's last failure into the error numbers the control knows.
    // The parameters bound to the failed statement name its text literals in the message.
    [[noreturn]] void fail(int code, const std::vector<std::string>& parameters = {}) const;

    // What the file's indexes and the connection's own copies answer; for tests and the
    // benchmark.
    std::string queryPlan(const dialect::Translation& translation);

  private:
    friend class PooledStatement;
    struct FileStamp {
        long long size = -1;
        long long modified = 0;
        long long inode = 0;
        bool operator==(const FileStamp&) const = default;
    };
    class Internal;

    void giveBack(const std::string& sql, sqlite3_stmt* statement);
    void forgetCopiesIfFileChanged();
    std::map<std::string, std::string> readFromCopies(const dialect::Translation& translation);
    std::vector<std::string> columnsToIndex(const dialect::Translation& translation,
                                            const dialect::TableReference& table);
    bool hasFoldedIndex(const std::string& table, const std::string& column);
    std::string copyOf(const std::string& table, const std::vector<std::string>& columns);
    std::string copyDefinition(const std::string& table, const std::string& copy);
    void execute(const std::string& sql);
    FileStamp stamp() const;
    // An Access file's tables are read into this connection's own database the first time
    // a statement names them, under names of their own, with a folded-text index on every
    // text column.
    std::map<std::string, std::string>
    loadAccessTablesOnce(const dialect::Translation& translation);
    std::map<std::string, std::string> loadAccessTables(const dialect::Translation& translation);
    std::string loadAccessTable(const std::string& name);

    String path_;
    String connect_;
    sqlite3* db_ = nullptr;
    bool internal_ = false;
    FileStamp stamp_;
    long long openedInode_ = 0;
    int generation_ = 0;
    std::map<std::string, std::vector<sqlite3_stmt*>> pool_;
    std::size_t pooled_ = 0;
    std::map<std::string, bool> foldedIndexes_;           // "table\ncolumn" -> the file has one
    std::map<std::string, std::set<std::string>> copies_; // copy name -> indexed columns
    std::vector<std::string> staleCopies_;                // qualified names of copies to drop
    bool access_ = false;
    std::vector<std::string> accessTableNames_;
    std::map<std::string, std::string> accessLoaded_; // lower-case name -> qualified name
    // The reader's failure on this version of the file: a damaged file that makes the
    // reader hang costs its time limit once, not on every key.
    std::optional<Error> accessFailure_;
    std::set<Reader*> readers_;
};

} // namespace veltra::detail

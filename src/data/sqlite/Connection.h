// One read-only connection to a database file: it opens the file, checks and runs the
// statements of record sources with the dialect's functions, and keeps what serves them
// (the prepared statements, the folded copies of a SQLite file's tables, the copies of an
// Access file's tables, both attached from copy files) in parts of their own.
#pragma once

#include "sqlite/AccessCopies.h"
#include "sqlite/CopyFiles.h"
#include "sqlite/FoldedCopies.h"
#include "sqlite/Sqlite.h"
#include "sqlite/SqliteDialect.h"
#include "sqlite/StatementPool.h"
#include "veltra/Types.h"
#include "veltra/platform/Files.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace veltra::detail {

// A URI that opens the file read-only; the path's own ?, # and % are escaped.
std::string readOnlyUri(const std::string& path);

// A result being read row by row on a connection.
class Reader {
  public:
    virtual ~Reader() = default;
    // Stops reading: the rows read so far are all the result will have.
    virtual void stopReading() = 0;
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
    bool opens(const String& path, const String& connect) const;
    const String& path() const { return path_; }

    // Reads a statement of the dialect and writes it for this database; throws veltra::Error.
    dialect::Translation translate(std::string_view statement) const;
    // Whether a table of the file (or an Access file's table) has row ids.
    bool hasRowId(const std::string& table) const;
    // The file's index whose first column is the table's column in that collation, if it
    // has one; a partial index, which lacks rows, is none.
    std::optional<std::string> indexLeadingWith(const std::string& table, const std::string& column,
                                                std::string_view collation);

    // Prepares the statement with its parameters bound. The copies its searches need are
    // made in the background; until they are ready it reads the file itself (same rows,
    // same order, more slowly), unless told to wait for them. Throws veltra::Error.
    PooledStatement prepare(const dialect::Translation& translation, CopyWait wait = CopyWait::No);
    // The SQLite text that prepare() runs, and whether it reads the file while a copy it
    // needs is being made.
    struct Rendered {
        std::string sql;
        bool copyBeingMade = false;
        bool fromCopies = false; // it reads copies of the file's tables
    };
    Rendered render(const dialect::Translation& translation, CopyWait wait = CopyWait::No);
    // Prepares plain SQLite text with text parameters bound: a record source's, checked by
    // the authorizer, or the connection's own while an OwnWork lives.
    PooledStatement prepare(const std::string& sql, const std::vector<std::string>& parameters);

    // Steps a record source's statement: one that works past the time limit (10 s) is
    // stopped (SQLITE_INTERRUPT), so that no statement, whatever its text, holds the form.
    int step(sqlite3_stmt* statement);
    void statementLimit(std::chrono::milliseconds limit) { statementLimit_ = limit; }

    // While a result is being read the connection holds a read lock on every file it has
    // read since its last statement began, so a writer of the file waits. Before a new result
    // is read, the results read before it stop, and a result read from the connection's
    // own copies leaves the file free.
    void addReader(Reader* reader) { readers_.insert(reader); }
    void removeReader(Reader* reader) { readers_.erase(reader); }
    void stopOtherReaders(const Reader* keep);

    // Turns the connection's last failure into the error numbers the control knows.
    [[noreturn]] void fail(int code, const std::vector<std::string>& parameters = {}) const;

    // What the file's indexes and the connection's copies answer, once the copies are made;
    // for tests and the benchmark.
    std::string queryPlan(const dialect::Translation& translation);

    // For the parts that keep copies of the file's tables.
    sqlite3* handle() const { return db_.get(); }
    void execute(const std::string& sql);
    // What a copy of one of the file's tables must hold now: this version of the file.
    CopyOrigin originOf(const std::string& table) const;
    // The file that keeps the copy of one of the file's tables: in the user's cache folder,
    // or, when that cannot take it, in a temporary folder removed with the connection;
    // nullopt when neither can, and searches read the file.
    std::optional<std::filesystem::path> copyFileFor(const std::string& table);
    // Attaches a copy file read-only, its pages checked, when it is the user's own and
    // holds that origin. No copy when it is missing, holds another version or is damaged
    // (a damaged one is removed), or when no copy could be detached to make room (noRoom).
    struct Attachment {
        std::optional<AttachedCopy> copy;
        bool noRoom = false;
    };
    Attachment attachCopy(const std::filesystem::path& file, const CopyOrigin& origin);
    // Whether a copy is still attached: the copy least used lately is detached to make room
    // for another, and attached again when needed.
    bool isAttached(const std::string& schema) const { return attached_.contains(schema); }
    // The statement being written reads the copy: it is not detached for another.
    void touch(const std::string& schema);
    // Detaches a copy once no result reads it any more.
    void detachLater(const std::string& schema) { staleCopies_.push_back(schema); }
    // A statement found the copies it read damaged: they are removed, and searches read the
    // file until new ones are made.
    void discardCopies();

    // While one lives, the connection's own statements (its copies, reading the schema)
    // pass the authorizer that record sources meet, and are pooled apart from them.
    class OwnWork {
      public:
        explicit OwnWork(SqliteConnection& connection)
            : connection_(connection), before_(std::exchange(connection.ownWork_, true)) {}
        ~OwnWork() { connection_.ownWork_ = before_; }
        OwnWork(const OwnWork&) = delete;
        OwnWork& operator=(const OwnWork&) = delete;

      private:
        SqliteConnection& connection_;
        bool before_;
    };

  private:
    void forgetCopiesIfFileChanged();
    long long dataVersion();
    bool makeRoomToAttach();
    void detachStaleCopies();

    String path_;
    String connect_;
    sqlite::Database db_; // closed after the statements kept in the pool
    bool ownWork_ = false;
    bool access_ = false;
    FileIdentity stamp_;
    long long dataVersion_ = 0; // the file's commits as this connection has seen them
    std::chrono::milliseconds statementLimit_{10'000};
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
    long long openedId_ = 0;
    std::string absolutePath_;                 // what copies of the file's tables are made from
    int copiesMade_ = 0;                       // numbers the copies' schemas
    unsigned uses_ = 0;                        // counts the statements rendered
    std::map<std::string, unsigned> attached_; // copy schema -> when a statement last read it
    std::filesystem::path copyFolder_;         // once known
    std::unique_ptr<TemporaryFolder> fallbackFolder_;
    StatementPool pool_;
    FoldedCopies foldedCopies_;
    AccessCopies accessCopies_;
    std::vector<std::string> staleCopies_; // schemas of copies to detach
    std::set<Reader*> readers_;
};

} // namespace veltra::detail

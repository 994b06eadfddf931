// Copies of a SQLite file's tables with an index in the folded collation on each column
// that a search or sort needs and the file has none for. A worker thread with connections
// of its own makes each copy into a copy file (kept for the next launch), and the copy is
// attached once it is ready; until then statements read the file itself. The user's file
// is never written, and no thread but the caller's touches the connection.
#pragma once

#include "sqlite/CopyFiles.h"
#include "sqlite/SqliteDialect.h"
#include "veltra/platform/Files.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace veltra::detail {

class SqliteConnection;

// The index through which searches on a column of a copy go: its folded, then exact text;
// with a table of an integer key, the key and the columns it covers (the other columns the
// statements select, which the index then answers without the table). The key comes before
// them, as the row id that breaks ties does in every index.
std::string foldedIndexStatement(const std::string& schema, const std::string& table,
                                 const std::string& column, const std::string& key = {},
                                 const std::vector<std::string>& covered = {});

// A column that the folded indexes of a copy cover is kept among its folded columns with
// this mark before its name.
inline constexpr char kCoveredMark = '+';

// Whether a statement waits for the copies it needs to be made.
enum class CopyWait { No, UntilMade };

// The copies a statement reads, by lower-case table name; beingMade when a table it needs
// a copy of is read from the file meanwhile.
struct CopiesToRead {
    std::map<std::string, std::string> tables;
    bool beingMade = false;
};

class FoldedCopies {
  public:
    FoldedCopies();
    ~FoldedCopies();
    FoldedCopies(const FoldedCopies&) = delete;
    FoldedCopies& operator=(const FoldedCopies&) = delete;

    // For each table the statement reads whose copy is ready: lower-case name -> the copy.
    CopiesToRead readFrom(SqliteConnection& connection, const dialect::Translation& translation,
                          CopyWait wait);
    // The file changed: the copies are out of date.
    void forget(SqliteConnection& connection);
    // The copies are damaged: they are removed, to be made again.
    void discard(SqliteConnection& connection);

  private:
    class Build;
    struct Table {
        std::set<std::string> wanted; // lower-case columns that searches need folded
        std::optional<AttachedCopy> copy;
        FileIdentity copyFile; // the version of the copy file last looked at
        std::unique_ptr<Build> build;
        bool made = false;   // a build made a copy of what is wanted now
        bool failed = false; // a copy cannot be made or read: this version of the file answers
    };
    enum class Looked { Attached, NoRoom, Nothing };

    bool hasFoldedIndex(SqliteConnection& connection, const std::string& table,
                        const std::string& column);
    std::vector<std::string> columnsToCover(SqliteConnection& connection,
                                            const dialect::Translation& translation,
                                            const dialect::TableReference& table,
                                            const std::vector<std::string>& searched);
    std::vector<std::string> columnsToIndex(SqliteConnection& connection,
                                            const dialect::Translation& translation,
                                            const dialect::TableReference& table);
    std::optional<std::string> copyFor(SqliteConnection& connection, const std::string& table,
                                       CopyWait wait);
    void settleBuild(Table& entry, CopyWait wait);
    // Attaches the table's copy file when it holds this version of the table.
    Looked attachMadeCopy(SqliteConnection& connection, Table& entry, const std::string& table);
    void startBuild(SqliteConnection& connection, Table& entry, const std::string& table);

    std::map<std::string, bool> foldedIndexes_; // "table\ncolumn" -> the file has one
    std::map<std::string, Table> tables_;       // lower-case table name -> its copy
};

} // namespace veltra::detail

// The connection's own copies of a file's tables, with an index in the folded collation on
// each column that a search or sort needs and the file has none for. The file itself is
// never written: the copies live in the connection's temp schema.
#pragma once

#include "data/Dialect.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace veltra::detail {

class SqliteConnection;

// The index in the folded collation through which searches on a column of a copy go.
std::string foldedIndexStatement(const std::string& schema, const std::string& table,
                                 const std::string& column);

class FoldedCopies {
  public:
    // For each table the statement reads that needs a copy: lower-case name -> the copy.
    std::map<std::string, std::string> readFrom(SqliteConnection& connection,
                                                const dialect::Translation& translation);
    // The file changed: the copies are out of date, their names go to stale.
    void forget(std::vector<std::string>& stale);

  private:
    bool hasFoldedIndex(SqliteConnection& connection, const std::string& table,
                        const std::string& column);
    std::vector<std::string> columnsToIndex(SqliteConnection& connection,
                                            const dialect::Translation& translation,
                                            const dialect::TableReference& table);
    std::string copyDefinition(SqliteConnection& connection, const std::string& table,
                               const std::string& copy);
    std::string copyOf(SqliteConnection& connection, const std::string& table,
                       const std::vector<std::string>& columns);

    std::map<std::string, bool> foldedIndexes_;           // "table\ncolumn" -> the file has one
    std::map<std::string, std::set<std::string>> copies_; // copy name -> indexed columns
};

} // namespace veltra::detail

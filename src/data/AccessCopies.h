// An Access file's tables read into the connection's own database the first time a
// statement names them, under names of their own, with a folded-text index on every text
// column.
#pragma once

#include "data/Dialect.h"
#include "veltra/Error.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace veltra::detail {

class SqliteConnection;

class AccessCopies {
  public:
    // For each table the statement reads: lower-case name -> its copy. A failure to read
    // the file (3343) is remembered: a damaged file that makes the reader hang costs its
    // time limit once, not on every key.
    std::map<std::string, std::string> readFrom(SqliteConnection& connection,
                                                const dialect::Translation& translation);
    // The file changed: the copies are out of date, their names go to stale.
    void forget(std::vector<std::string>& stale);

  private:
    std::map<std::string, std::string> load(SqliteConnection& connection,
                                            const dialect::Translation& translation);
    std::string loadTable(SqliteConnection& connection, const std::string& name);

    std::vector<std::string> tableNames_;
    std::map<std::string, std::string> loaded_; // lower-case name -> qualified name
    std::optional<Error> failure_;
};

} // namespace veltra::detail

// An Access file's tables read into copy files (see CopyFiles.h) the first time a statement
// names them, with a folded-text index on every text column, and attached to the
// connection. A later launch finds the copy of an unchanged file ready.
#pragma once

#include "sqlite/CopyFiles.h"
#include "sqlite/SqliteDialect.h"
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
    // The file changed: the copies are out of date.
    void forget(SqliteConnection& connection);
    // The copies are damaged: they are removed, to be read again.
    void discard(SqliteConnection& connection);

  private:
    std::map<std::string, std::string> load(SqliteConnection& connection,
                                            const dialect::Translation& translation);
    std::optional<std::string> attachedOrCached(SqliteConnection& connection,
                                                const std::string& name);
    std::string loadTable(SqliteConnection& connection, const std::string& name);
    std::filesystem::path copyFileFor(SqliteConnection& connection, const std::string& name);

    std::vector<std::string> tableNames_;
    std::map<std::string, AttachedCopy> loaded_; // lower-case name -> its copy
    std::optional<Error> failure_;
};

} // namespace veltra::detail

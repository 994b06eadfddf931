// This file is not part of the API. While the copy that a statement needs is being made, the
// statement reads the file, where no index gives the folded order: its first rows would
// cost a visit of every row. When it reads one table ordered by a column, matching that
// column with a prefix at most, the file's plain index on the column finds them instead.
//
// In the folded order the texts come in classes, one per folded beginning: all that fold to
// "ma" come before all that fold to "mb". A class is the texts that begin with any of its
// spellings ("Ma", "MA", "Má", ...), each a range of the exact-text index; a few seeks in
// it find the spellings a file has and how many rows each holds. So the statement reads
// only the rows of its first classes, enough of them for its first rows, and orders them
// as it would all of them: the rows and their order are those the copy gives.
#pragma once

#include "sqlite/SqliteDialect.h"

#include <optional>
#include <string>
#include <vector>

namespace veltra::detail {

class SqliteConnection;

// A statement that reads only the rows of the first classes, with its parameters.
struct NarrowedStatement {
    std::string sql;
    std::vector<std::string> parameters;
    bool whole = false; // its classes hold every row that the statement can give
};

// The statement narrowed to the first classes that hold at least `rows` rows of its table,
// or nothing when the file's index cannot narrow it.
std::optional<NarrowedStatement> narrowThroughIndex(SqliteConnection& connection,
                                                    const dialect::Translation& translation,
                                                    std::size_t rows);

} // namespace veltra::detail

// This file is not part of the API. The dialect written for PostgreSQL: text folded by the
// server's veltra_fold (which veltra-index installs) or the same mapping written out with
// translate(), compared and ordered in the "C" collation after folding, so that both
// engines give the same rows in the same order; like patterns as ranges of the folded text
// plus a regular expression; rows keyed by their table's whole-number primary key, or by
// where they are stored. Names are read in lower case, as PostgreSQL reads unquoted names.
#pragma once

#include "dialect/Emitter.h"

#include <map>
#include <memory>
#include <set>
#include <string>

namespace veltra::detail {

// What the statements are written against, read from the server's catalogue. Names are in
// lower case; a table is known by its name and by schema.name.
struct PostgresCatalog {
    // The server's folding function, or empty to write the folding out with translate().
    std::string foldFunction;
    // The columns of text type: only text folds; a number column orders as numbers and
    // takes a literal it is compared with as a number.
    std::set<std::string> textColumns;
    // Every column of the tables the statements may read: a qualified name is one of them
    // (PostgreSQL would read table.function as a call).
    std::set<std::string> columns;
    // The tables, views and foreign tables of the database's own schemas (not the
    // server's catalogues), each with the key that orders its rows as stored.
    std::map<std::string, std::string> rowKeys;
};

// An expression folded, as text.
std::string foldedOnServer(const std::string& expression, const PostgresCatalog& catalog);
// The statement that makes PostgreSQL's veltra_fold: the same mapping as the control's
// folding, as an immutable function that an expression index can hold.
std::string foldFunctionDefinition();

// Throws veltra::Error: the parser's errors, 3078 for a table that is not the database's
// own, 3061 for a qualified name that is no column.
dialect::Translation postgresTranslation(std::shared_ptr<const dialect::Statement> statement,
                                         const PostgresCatalog& catalog);

} // namespace veltra::detail

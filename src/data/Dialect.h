// Translation of a statement in the desktop-database dialect into SQLite or PostgreSQL.
//
// Text is compared, ordered and grouped with case and accents folded (the collation
// veltra_fold); a like pattern becomes a range over the folded text, which an index in
// that collation answers, plus a residual match (veltra_like) for what the range cannot
// decide. String literals become numbered parameters, so statements that differ only in
// their texts share one prepared form. Double-quoted texts are strings, [bracketed] names
// are names, as the dialect has them.
//
// On PostgreSQL the folding is a function of the server's (veltra_fold, which veltra-index
// installs) or the same mapping written out with translate(); texts compare and order in
// the "C" collation after folding, so both engines give the same rows in the same order.
// Names are read in lower case, as PostgreSQL reads unquoted names.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace veltra::dialect {

inline constexpr const char* kCollation = "veltra_fold";
inline constexpr const char* kLikeFunction = "veltra_like";
// Raised whenever the folding changes: copies folded by another version are made again.
inline constexpr int kFoldingVersion = 2;

// A table named in the statement's FROM list.
struct TableReference {
    std::string name;
    std::string alias; // empty without one
};

// A column whose folded order the statement searches, compares or sorts by; a table
// index on it in the folded collation answers the statement without a scan.
struct SearchedColumn {
    std::string qualifier; // table or alias as written, or empty
    std::string column;
};

// A column that the statement matches with a like pattern (not a NOT LIKE), and the pattern
// as written.
struct LikeCondition {
    SearchedColumn column;
    std::string pattern;
};

// A name in double quotes, as SQLite reads any name.
std::string quoteName(std::string_view name);
// ASCII letters lowered, as SQLite compares names.
std::string asciiLower(std::string_view text);

// The engine a statement is written for.
struct Target {
    enum class Engine { SQLite, PostgreSQL } engine = Engine::SQLite;
    // PostgreSQL: the name of the server's folding function, or empty to write the folding
    // out with translate().
    std::string foldFunction;
    // PostgreSQL: the names (lower case) of the database's text columns. Only text is
    // folded; a number column orders as numbers and is compared with a literal as with a
    // number.
    std::set<std::string> textColumns;
};

// The characters that folding changes and what each becomes, in the same order, as UTF-8
// (the arguments of PostgreSQL's translate()).
const std::string& foldedFrom();
const std::string& foldedTo();
// An expression folded on PostgreSQL, as text; and what goes before and after it.
std::string foldedOnServer(const std::string& expression, const Target& target);
std::string foldOpen(const Target& target);
std::string foldClose(const Target& target);
// The statement that makes PostgreSQL's veltra_fold: the same mapping, as an immutable
// function that an expression index can hold.
std::string foldFunctionDefinition();

class Translation {
  public:
    // Throws veltra::Error: 3075 for text the dialect cannot read, 3142 for a second
    // statement after the first, 3085 for cstr or Val with other than one argument.
    explicit Translation(std::string_view statement, const Target& target = {});

    const std::vector<TableReference>& tables() const { return tables_; }
    const std::vector<SearchedColumn>& searchedColumns() const { return searched_; }
    const std::vector<LikeCondition>& likes() const { return likes_; }
    // The parameter values, in number order (?1 first).
    const std::vector<std::string>& parameters() const { return parameters_; }
    // Whether parameter index (from 0) is a text; the others take the type of what they
    // are compared with.
    bool parameterIsText(std::size_t index) const { return !untyped_.contains(index); }
    // A name as the statement writes it (the engine may report it in another case); the
    // name itself when the statement does not have it.
    std::string asWritten(std::string_view name) const;
    // The statement's first word, in lower case.
    const std::string& firstWord() const { return firstWord_; }

    // The SQLite statement; a table found in readFrom (by its lower-case name) is read from
    // the replacement given there, under its own name.
    std::string render(const std::map<std::string, std::string>& readFrom = {}) const;

  private:
    struct Piece {
        std::string text;
        int table = -1; // a FROM table's name, replaceable at rendering
    };

    std::vector<Piece> pieces_;
    std::vector<TableReference> tables_;
    std::vector<SearchedColumn> searched_;
    std::vector<LikeCondition> likes_;
    std::vector<std::string> parameters_;
    std::set<std::size_t> untyped_;
    std::vector<std::string> names_;
    std::string firstWord_;

    friend class Translator;
};

} // namespace veltra::dialect

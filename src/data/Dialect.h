// Translation of a statement in the desktop-database dialect into SQLite.
//
// Text is compared, ordered and grouped with case and accents folded (the collation
// veltra_fold); a like pattern becomes a range over the folded text, which an index in
// that collation answers, plus a residual match (veltra_like) for what the range cannot
// decide. String literals become numbered parameters, so statements that differ only in
// their texts share one prepared form. Double-quoted texts are strings, [bracketed] names
// are names, as the dialect has them.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace veltra::dialect {

inline constexpr const char* kCollation = "veltra_fold";
inline constexpr const char* kLikeFunction = "veltra_like";

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

// A name in double quotes, as SQLite reads any name.
std::string quoteName(std::string_view name);
// ASCII letters lowered, as SQLite compares names.
std::string asciiLower(std::string_view text);

class Translation {
  public:
    // Throws veltra::Error: 3075 for text the dialect cannot read, 3142 for a second
    // statement after the first.
    explicit Translation(std::string_view statement);

    const std::vector<TableReference>& tables() const { return tables_; }
    const std::vector<SearchedColumn>& searchedColumns() const { return searched_; }
    // The parameter values, in number order (?1 first).
    const std::vector<std::string>& parameters() const { return parameters_; }

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
    std::vector<std::string> parameters_;

    friend class Translator;
};

} // namespace veltra::dialect

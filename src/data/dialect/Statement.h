// This file is not part of the API. A statement of the desktop-database dialect, parsed
// into a tree that each engine's emitter writes out (see Emitter.h).
//
// The dialect reads one SELECT, with its compound forms (UNION [ALL], EXCEPT, INTERSECT),
// joins, subqueries, WHERE, GROUP BY, HAVING, ORDER BY and LIMIT; expressions of numbers,
// texts ('..' or ".."), Null, True, False, names (plain, [bracketed] or `quoted`),
// qualified names, calls of the allowed functions, the operators = == <> != < > <= >= +
// - * / % & || AND OR NOT, [NOT] LIKE 'pattern', [NOT] IN (..), [NOT] BETWEEN .. AND ..,
// IS [NOT] NULL and EXISTS (..). It has no comments: "--" and "/*" are operators. Anything
// else is refused before an engine sees it (see Parser.cpp and Safety.cpp).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veltra::dialect {

struct Select;

struct Expr {
    enum class Kind {
        Number,   // text: as written
        Text,     // text: the value
        Null,     //
        Boolean,  // text: "true" or "false"
        Column,   // text: the name as written; qualifier: table or alias as written, or empty;
                  // schema: the table's schema, or empty
        AllRows,  // the * of count(*)
        Call,     // text: the name as written; operands: the arguments
        Unary,    // text: "-", "+" or "not"; operands: one
        Binary,   // text: the operator ("and", "or", "=", "<>", "&", ...); operands: two
        Like,     // operands: the value; text: the pattern; negated
        In,       // operands: the value, then the list (or query); negated
        Between,  // operands: the value, the low and the high end; negated
        IsNull,   // operands: the value; negated for IS NOT NULL
        Exists,   // query
        Subquery, // query: a scalar subquery
    };

    Kind kind = Kind::Null;
    std::string text;
    std::string qualifier;
    std::string schema;
    bool negated = false;
    bool distinct = false; // count(DISTINCT x)
    std::vector<std::unique_ptr<Expr>> operands;
    std::unique_ptr<Select> query;
    std::size_t parameter = 0; // Text: its number among the statement's texts, from 1
    bool quotedName = false;   // Call: a text written where a function's name goes
    int height = 1;            // of the expression's tree
};
using ExprPtr = std::unique_ptr<Expr>;

// A select-list item: an expression with its alias, or * / table.*.
struct SelectItem {
    ExprPtr expr;          // null for * and table.*
    std::string alias;     // as written, or empty
    std::string qualifier; // table.*: the table
};

// A table read by the statement, or a subquery in its place.
struct Source {
    std::string schema; // as written, or empty
    std::string name;   // as written; empty for a subquery
    std::string alias;  // as written, or empty
    std::unique_ptr<Select> query;
    int table = -1; // the statement's table number (Statement::tables), for a table
};

struct Join {
    std::string kind; // "join", "left join", "cross join", ... in lower case
    Source source;
    ExprPtr on;
    std::vector<std::string> columns; // USING (..)
};

// One item of the FROM list: a source and the sources joined to it.
struct FromItem {
    Source source;
    std::vector<Join> joins;
};

struct OrderTerm {
    ExprPtr expr;
    bool descending = false;
    bool directed = false; // ASC or DESC was written
};

// One SELECT of a compound statement.
struct Core {
    bool distinct = false;
    std::vector<SelectItem> items;
    std::vector<FromItem> from;
    ExprPtr where;
    std::vector<ExprPtr> groupBy;
    ExprPtr having;
};

struct Select {
    std::vector<Core> cores;
    std::vector<std::string> operators; // between the cores: "union", "union all", ...
    std::vector<OrderTerm> orderBy;
    ExprPtr limit;
    ExprPtr offset;
};

// A table named in a FROM list (a schema-qualified one is not among them).
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

class Statement {
  public:
    // Throws veltra::Error: 3075 for text the dialect cannot read, 3142 for a second
    // statement after the first, 3027 for a statement that is not a SELECT, 3085 for a
    // function the dialect does not allow or a wrong number of its arguments.
    explicit Statement(std::string_view text);
    ~Statement();
    Statement(Statement&&) noexcept;
    Statement& operator=(Statement&&) noexcept;

    const Select& select() const { return *select_; }
    const std::vector<TableReference>& tables() const { return tables_; }
    const std::vector<SearchedColumn>& searchedColumns() const { return searched_; }
    const std::vector<LikeCondition>& likes() const { return likes_; }
    // The texts, in their number order.
    const std::vector<std::string>& texts() const { return texts_; }
    // The aliases its select lists give (lower case): what a qualified name may also mean.
    const std::vector<std::string>& aliases() const { return aliases_; }
    // A name as the statement writes it (an engine may report it in another case); the
    // name itself when the statement does not have it.
    std::string asWritten(std::string_view name) const;

  private:
    std::unique_ptr<Select> select_;
    std::vector<TableReference> tables_;
    std::vector<SearchedColumn> searched_;
    std::vector<LikeCondition> likes_;
    std::vector<std::string> texts_;
    std::vector<std::string> names_;
    std::vector<std::string> aliases_;

    void collectFacts();
    friend class TokenCursor;
    friend class ExpressionParser;
    friend class Parser;
};

// Calls visit on every expression of the query and of the queries inside it, outer ones
// before the ones they hold.
void forEachExpression(const Select& query, const std::function<void(const Expr&)>& visit);

// ASCII letters lowered, as SQLite and PostgreSQL compare names.
std::string asciiLower(std::string_view text);
// Whether two names are one name as the engines compare them: ASCII letters in any case.
bool sameName(std::string_view a, std::string_view b);

} // namespace veltra::dialect

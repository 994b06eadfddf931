// This file is not part of the API. Writing a parsed statement out for one engine.
//
// Every engine compares, orders and groups text with case and accents folded; a like
// pattern becomes a range over the folded text, which an index of the folded text answers,
// plus a residual match for what the range cannot decide. Texts become numbered
// parameters, so that statements that differ only in their texts share one prepared form.
// Rows that tie under a statement's order come in one order on every engine, whether a
// file or a copy answers: the folded text of the columns ordered by, then their exact
// text, then the row's own key; a statement without an order is ordered so by the
// columns it compares with texts.
//
// The walk is shared; an engine's emitter says how it names, folds, matches and keys
// rows (see SqliteDialect.cpp, PostgresDialect.cpp).
#pragma once

#include "dialect/Folding.h"
#include "dialect/Statement.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace veltra::dialect {

inline constexpr int kFoldingVersion = 3; // raised whenever the folding or a copy's form changes

// A statement as one engine runs it.
class Translation {
  public:
    Translation(std::shared_ptr<const Statement> statement, std::string sql,
                std::vector<std::string> tableNames, std::vector<std::string> parameters,
                std::set<std::size_t> untyped);

    const Statement& statement() const { return *statement_; }
    const std::vector<TableReference>& tables() const { return statement_->tables(); }
    const std::vector<SearchedColumn>& searchedColumns() const {
        return statement_->searchedColumns();
    }
    std::string asWritten(std::string_view name) const { return statement_->asWritten(name); }
    // The parameter values, in number order (the first first).
    const std::vector<std::string>& parameters() const { return parameters_; }
    // Whether parameter index (from 0) is a text; the others take the type of what they
    // are compared with.
    bool parameterIsText(std::size_t index) const { return !untyped_.contains(index); }

    // The engine's text; a table found in readFrom (by its lower-case name) is read from the
    // replacement given there, under its own name.
    std::string render(const std::map<std::string, std::string>& readFrom = {}) const;

  private:
    std::shared_ptr<const Statement> statement_;
    std::string sql_; // table references marked "\x01" number "\x02"
    std::vector<std::string> tableNames_;
    std::vector<std::string> parameters_;
    std::set<std::size_t> untyped_;
};

class Emitter {
  public:
    virtual ~Emitter() = default;
    Translation translate(std::shared_ptr<const Statement> statement);

  protected:
    // The SELECT whose names an expression means, and what its grouping makes of them.
    struct Scope {
        const Core* core = nullptr;
        std::set<std::string> grouped;    // lower-case columns it groups by, folded
        std::set<std::string> shownByMin; // grouped columns its select list shows
        bool sorting = false;             // in its ORDER BY
        bool single() const;              // it reads one table
    };

    // How the engine writes a name and a parameter.
    virtual std::string name(std::string_view written) const = 0;
    virtual std::string parameterName(std::size_t number) const = 0;
    // Whether the expression is text, which folds.
    virtual bool isText(const Expr& expr, const Scope& scope) const = 0;
    // An expression as ordered, grouped and compared folded, and as ordered exactly.
    virtual std::string folded(const std::string& expression) const = 0;
    virtual std::string exact(const std::string& expression) const = 0;
    // A comparison of two operands of which one is a text literal.
    virtual std::string compared(const Expr& comparison, const std::string& left,
                                 const std::string& right, const Scope& scope) = 0;
    // operand [NOT] LIKE pattern: a pattern without wildcards is an equality of folded
    // texts; otherwise the range of the folded texts that begin with its prefix, and the
    // engine's match of the whole pattern for what the prefix leaves open.
    std::string like(const Expr& like, const std::string& operand);
    // What a like condition compares of the operand.
    virtual std::string likeValue(const std::string& operand) const = 0;
    // value OP parameter, OP being "=" or the prefix's bounds ">=" and "<".
    virtual std::string likeBound(const std::string& value, std::string_view op,
                                  const std::string& parameter) const = 0;
    // The engine's match of the value against the whole pattern (written as written).
    virtual std::string likeMatch(const std::string& value, const std::string& written,
                                  const LikePattern& pattern) = 0;
    // The smallest exact text of a group's column.
    virtual std::string smallest(const std::string& column) const = 0;
    // A grouped column as the key its rows are grouped and ordered by, and as it stands
    // inside an expression of the ORDER BY.
    virtual std::string groupKey(const Expr& column, const Scope& scope);
    virtual std::string groupedInSort(const Expr& column, const Scope& scope);
    // The key that orders a table's rows as they were stored, if it has one.
    virtual std::optional<std::string> rowKey(const Source& table) const = 0;
    // A call of an allowed function, its arguments written.
    virtual std::string call(const Expr& call, const std::vector<std::string>& arguments);
    // A column reference; throws when the engine would read it as something else.
    virtual std::string column(const Expr& column, const Scope& scope);
    // A table of a FROM list; throws when it is not one the statement may read.
    virtual void checkTable(const Source& table) const;

    const Statement& statement() const { return *statement_; }
    std::string parameter(std::string value, bool text = true);
    std::string textParameter(const Expr& text, bool typed = true);
    // A text literal already written takes the type of what it is compared with.
    void leaveUntyped(const Expr& text);
    std::string expression(const Expr& expr, const Scope& scope);
    // An expression inside another: in parentheses unless it is one word.
    std::string operand(const Expr& expr, const Scope& scope);
    // The name a table or source is known by in the statement.
    std::string referenceName(const Source& source) const;

  private:
    enum class Place { Outermost, Inside };
    std::string query(const Select& select, Place place = Place::Inside);
    std::string core(const Core& core, Scope& scope);
    std::string selectItem(const SelectItem& item, Scope& scope);
    std::string fromItem(const FromItem& item);
    std::string source(const Source& source);
    std::string orderBy(const Select& select, const Scope& scope);
    std::string orderKey(const OrderTerm& term, const Scope& scope);
    std::vector<std::string> tieBreaks(const Select& select, const Scope& scope);
    std::vector<std::string> rowKeys(const Core& core) const;
    std::string binary(const Expr& expr, const Scope& scope);
    Scope scopeOf(const Core& core);

    std::shared_ptr<const Statement> statement_;
    std::vector<std::string> tableNames_;
    std::vector<std::string> parameters_;
    std::set<std::size_t> untyped_;
    std::map<std::size_t, std::size_t> textNumbers_; // a text literal's number -> its parameter
};

// A name in double quotes, as SQLite and PostgreSQL read any name.
std::string quoteName(std::string_view name);
// Whether the core aggregates its rows (a GROUP BY, or an aggregate in its select list).
bool aggregates(const Core& core);

} // namespace veltra::dialect

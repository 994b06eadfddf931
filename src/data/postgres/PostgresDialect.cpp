#include "postgres/PostgresDialect.h"

#include "Errors.h"
#include "dialect/Folding.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#include <algorithm>

namespace veltra::detail {

namespace {

using dialect::Expr;

// Quoted for a string literal of SQL.
std::string literalText(std::string_view text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

// The characters that folding changes, and what each becomes, in the same order, as UTF-8
// (the arguments of translate()).
struct FoldingTable {
    std::string from;
    std::string to;
    FoldingTable() {
        for (char32_t c = 0; c < 0x530; ++c)
            if (dialect::fold(c) != c) {
                appendUtf8(from, c);
                appendUtf8(to, dialect::fold(c));
            }
    }
};

const FoldingTable& foldingTable() {
    static const FoldingTable table;
    return table;
}

// Val: the number a text begins with, blanks ignored throughout; 0 for a text that does not
// begin with one; null for null.
std::string val(const std::string& x) {
    return "CASE WHEN (" + x + ") IS NULL THEN NULL ELSE COALESCE(CAST(NULLIF(substring(" +
           "regexp_replace(CAST(" + x + " AS text), '[ \\t\\n\\r]', '', 'g') FROM " +
           "'^[-+]?(?:[0-9]+[.]?[0-9]*|[.][0-9]+)(?:[eE][-+]?[0-9]+)?'), '') AS float8), 0) END";
}

bool returnsText(const std::string& function) {
    static const std::string_view kText[] = {"cstr",  "lower", "upper",  "trim",
                                             "ltrim", "rtrim", "substr", "replace"};
    return std::find(std::begin(kText), std::end(kText), function) != std::end(kText);
}

bool returnsItsArgument(const std::string& function) {
    static const std::string_view kSame[] = {"min", "max", "coalesce", "nullif"};
    return std::find(std::begin(kSame), std::end(kSame), function) != std::end(kSame);
}

class PostgresEmitter final : public dialect::Emitter {
  public:
    explicit PostgresEmitter(const PostgresCatalog& catalog) : catalog_(catalog) {}

  protected:
    std::string name(std::string_view written) const override {
        return dialect::quoteName(dialect::asciiLower(written));
    }
    std::string parameterName(std::size_t number) const override {
        return "$" + std::to_string(number);
    }

    bool isText(const Expr& expr, const Scope& scope) const override {
        switch (expr.kind) {
        case Expr::Kind::Text:
            return true;
        case Expr::Kind::Column: {
            const Expr* aliased = aliasedItem(expr, scope);
            if (aliased && aliased->kind != Expr::Kind::Column)
                return isText(*aliased, scope);
            return catalog_.textColumns.contains(
                dialect::asciiLower((aliased ? *aliased : expr).text));
        }
        case Expr::Kind::Call: {
            const std::string function = dialect::asciiLower(expr.text);
            return returnsText(function) ||
                   (returnsItsArgument(function) && !expr.operands.empty() &&
                    isText(*expr.operands[0], scope));
        }
        case Expr::Kind::Binary:
            return expr.text == "||" || expr.text == "&";
        default:
            return false;
        }
    }

    std::string folded(const std::string& expression) const override {
        return foldedOnServer(expression, catalog_) + " COLLATE \"C\"";
    }
    std::string exact(const std::string& expression) const override {
        return expression + " COLLATE \"C\"";
    }

    // Text compared with a text literal: both folded. Anything else takes the literal as a
    // value of its own type.
    std::string compared(const Expr& comparison, const std::string& left, const std::string& right,
                         const Scope& scope) override {
        const int literal = comparison.operands[1]->kind == Expr::Kind::Text ? 1 : 0;
        const Expr& other = *comparison.operands[1 - literal];
        if (!isText(other, scope)) {
            leaveUntyped(*comparison.operands[literal]);
            return left + " " + comparison.text + " " + right;
        }
        return folded(left) + " " + comparison.text + " " + foldedOnServer(right, catalog_);
    }

    std::string likeValue(const std::string& operand) const override {
        return foldedOnServer(operand, catalog_);
    }
    // The prefix's range compares code points, as the folded index on the server orders
    // them; an equality needs no collation.
    std::string likeBound(const std::string& value, std::string_view op,
                          const std::string& parameter) const override {
        return value + (op == "=" ? "" : " COLLATE \"C\"") + " " + std::string(op) + " " +
               parameter;
    }
    std::string likeMatch(const std::string& value, const std::string&,
                          const dialect::LikePattern& pattern) override {
        return value + " ~ " + parameter(pattern.regex());
    }

    std::string smallest(const std::string& column) const override {
        return "min(" + column + " COLLATE \"C\")";
    }
    // PostgreSQL reads a name inside an ORDER BY expression as the table's column, which a
    // grouped statement shows only through its group's smallest text.
    std::string groupedInSort(const Expr& column, const Scope& scope) override {
        return smallest(this->column(column, scope));
    }

    std::optional<std::string> rowKey(const dialect::Source& table) const override {
        const auto key = catalog_.rowKeys.find(tableKey(table));
        if (key == catalog_.rowKeys.end() || key->second.empty())
            return std::nullopt;
        return referenceName(table) + "." + (key->second == "ctid" ? "ctid" : name(key->second));
    }

    std::string call(const Expr& call, const std::vector<std::string>& arguments) override {
        const std::string function = dialect::asciiLower(call.text);
        if (function == "cstr")
            return "CAST(" + arguments[0] + " AS text)";
        if (function == "val")
            return val(arguments[0]);
        return Emitter::call(call, arguments);
    }

    std::string column(const Expr& column, const Scope& scope) override {
        const std::string lower = dialect::asciiLower(column.text);
        const auto& aliases = statement().aliases();
        if (!column.qualifier.empty() && !catalog_.columns.contains(lower) &&
            std::find(aliases.begin(), aliases.end(), lower) == aliases.end())
            fail(DataError::UnknownColumn, {column.text});
        return Emitter::column(column, scope);
    }

    void checkTable(const dialect::Source& table) const override {
        if (!catalog_.rowKeys.contains(tableKey(table)))
            fail(DataError::TableNotFound,
                 {(table.schema.empty() ? "" : table.schema + ".") + table.name});
    }

  private:
    static std::string tableKey(const dialect::Source& table) {
        return dialect::asciiLower(table.schema.empty() ? table.name
                                                        : table.schema + "." + table.name);
    }
    // The select-list item of the scope's SELECT that an unqualified name is the alias of.
    static const Expr* aliasedItem(const Expr& column, const Scope& scope) {
        if (!column.qualifier.empty() || !scope.core)
            return nullptr;
        for (const auto& item : scope.core->items)
            if (item.expr && dialect::sameName(item.alias, column.text))
                return item.expr.get();
        return nullptr;
    }

    const PostgresCatalog& catalog_;
};

} // namespace

std::string foldedOnServer(const std::string& expression, const PostgresCatalog& catalog) {
    if (!catalog.foldFunction.empty())
        return catalog.foldFunction + "(CAST(" + expression + " AS text))";
    return "translate(CAST(" + expression + " AS text), " + literalText(foldingTable().from) +
           ", " + literalText(foldingTable().to) + ")";
}

std::string foldFunctionDefinition() {
    return "CREATE OR REPLACE FUNCTION veltra_fold(text) RETURNS text LANGUAGE sql IMMUTABLE "
           "STRICT PARALLEL SAFE RETURN translate($1, " +
           literalText(foldingTable().from) + ", " + literalText(foldingTable().to) + ")";
}

dialect::Translation postgresTranslation(std::shared_ptr<const dialect::Statement> statement,
                                         const PostgresCatalog& catalog) {
    return PostgresEmitter(catalog).translate(std::move(statement));
}

} // namespace veltra::detail

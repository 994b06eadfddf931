#include "sqlite/SqliteDialect.h"

#include "dialect/Folding.h"

namespace veltra::detail {

namespace {

using dialect::Expr;

// The upper end of the folded texts that begin with a prefix: the prefix followed by the
// highest code point.
std::string afterPrefix(const std::string& prefix) {
    return prefix + "\xF4\x8F\xBF\xBF";
}

class SqliteEmitter final : public dialect::Emitter {
  public:
    explicit SqliteEmitter(const HasRowId& hasRowId) : hasRowId_(hasRowId) {}

  protected:
    std::string name(std::string_view written) const override {
        return dialect::quoteName(written);
    }
    std::string parameterName(std::size_t number) const override {
        return "?" + std::to_string(number);
    }
    // A collation touches only text values: every term may carry it.
    bool isText(const Expr&, const Scope&) const override { return true; }
    std::string folded(const std::string& expression) const override {
        return expression + " COLLATE " + kCollation;
    }
    std::string exact(const std::string& expression) const override {
        return expression + " COLLATE BINARY";
    }
    std::string compared(const Expr& comparison, const std::string& left, const std::string& right,
                         const Scope&) override {
        if (comparison.operands[1]->kind == Expr::Kind::Text)
            return left + " " + comparison.text + " " + folded(right);
        return folded(left) + " " + comparison.text + " " + right;
    }
    std::string like(const Expr& like, const std::string& operand) override {
        const dialect::LikePattern pattern(like.text);
        std::vector<std::string> conditions;
        if (pattern.isLiteral()) {
            conditions.push_back(operand + " = " + folded(parameter(pattern.prefix())));
        } else {
            if (!pattern.prefix().empty()) {
                conditions.push_back(operand + " >= " + folded(parameter(pattern.prefix())));
                conditions.push_back(operand + " < " +
                                     folded(parameter(afterPrefix(pattern.prefix()))));
            }
            if (!pattern.isPrefixOnly())
                conditions.push_back(std::string(kLikeFunction) + "(" + operand + ", " +
                                     parameter(like.text) + ")");
        }
        if (conditions.empty())
            conditions.push_back(operand + " IS NOT NULL");
        std::string expression;
        for (const auto& condition : conditions)
            expression += (expression.empty() ? "" : " AND ") + condition;
        return (like.negated ? "NOT (" : "(") + expression + ")";
    }
    std::string smallest(const std::string& column) const override { return "min(" + column + ")"; }
    // SQLite reads a name in the ORDER BY as the select list's column of that name before
    // the table's: a grouped column that the list shows through min() is ordered as the
    // table's column, which the folded index delivers in order.
    std::string groupKey(const Expr& column, const Scope& scope) override {
        if (!column.qualifier.empty() || !scope.single())
            return this->column(column, scope);
        return referenceName(scope.core->from[0].source) + "." + name(column.text);
    }
    std::optional<std::string> rowKey(const dialect::Source& table) const override {
        if (!table.schema.empty() || !hasRowId_(table.name))
            return std::nullopt;
        return referenceName(table) + ".rowid";
    }

  private:
    const HasRowId& hasRowId_;
};

} // namespace

dialect::Translation sqliteTranslation(std::shared_ptr<const dialect::Statement> statement,
                                       const HasRowId& hasRowId) {
    return SqliteEmitter(hasRowId).translate(std::move(statement));
}

dialect::Translation sqliteTranslation(std::string_view statement, const HasRowId& hasRowId) {
    return sqliteTranslation(std::make_shared<const dialect::Statement>(statement), hasRowId);
}

} // namespace veltra::detail

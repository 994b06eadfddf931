#include "sqlite/SqliteDialect.h"

#include "dialect/Folding.h"

namespace veltra::detail {

namespace {

using dialect::Expr;

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
    std::string likeValue(const std::string& operand) const override { return operand; }
    std::string likeBound(const std::string& value, std::string_view op,
                          const std::string& parameter) const override {
        return value + " " + std::string(op) + " " + folded(parameter);
    }
    std::string likeMatch(const std::string& value, const std::string& written,
                          const dialect::LikePattern&) override {
        return std::string(kLikeFunction) + "(" + value + ", " + parameter(written) + ")";
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

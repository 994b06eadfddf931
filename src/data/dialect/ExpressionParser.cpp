#include "dialect/ExpressionParser.h"

#include "Errors.h"
#include "dialect/Folding.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace veltra::dialect {

ExprPtr ExpressionParser::node(Expr::Kind kind, std::string text, std::vector<ExprPtr> operands) {
    auto expr = std::make_unique<Expr>();
    expr->kind = kind;
    expr->text = std::move(text);
    expr->operands = std::move(operands);
    for (const auto& operand : expr->operands)
        expr->height = std::max(expr->height, operand->height + 1);
    if (expr->height > kMaxHeight)
        syntaxError("expressão longa demais");
    return expr;
}

ExprPtr ExpressionParser::leaf(Expr::Kind kind, std::string text) {
    return node(kind, std::move(text));
}

ExprPtr ExpressionParser::binary(std::string op, ExprPtr left, ExprPtr right) {
    std::vector<ExprPtr> operands;
    operands.push_back(std::move(left));
    operands.push_back(std::move(right));
    return node(Expr::Kind::Binary, std::move(op), std::move(operands));
}

ExprPtr ExpressionParser::expression() {
    const Nested nested(nesting_);
    auto left = conjunction();
    while (acceptKeyword("or"))
        left = binary("or", std::move(left), conjunction());
    return left;
}

ExprPtr ExpressionParser::conjunction() {
    auto left = negation();
    while (acceptKeyword("and"))
        left = binary("and", std::move(left), negation());
    return left;
}

ExprPtr ExpressionParser::negation() {
    if (!acceptKeyword("not"))
        return comparison();
    const Nested nested(nesting_);
    std::vector<ExprPtr> operand;
    operand.push_back(negation());
    return node(Expr::Kind::Unary, "not", std::move(operand));
}

ExprPtr ExpressionParser::comparison() {
    static constexpr std::array<std::string_view, 8> kComparisons = {
        "=", "==", "<>", "!=", "<", ">", "<=", ">="};
    auto left = sum();
    for (;;) {
        if (peek().kind == Token::Symbol && std::find(kComparisons.begin(), kComparisons.end(),
                                                      peek().text) != kComparisons.end()) {
            std::string op = take().text;
            left = binary(op == "==" ? "=" : op == "!=" ? "<>" : op, std::move(left), sum());
            continue;
        }
        if (acceptKeyword("is")) {
            const bool negated = acceptKeyword("not");
            expectKeyword("null");
            left = postfix(Expr::Kind::IsNull, negated, std::move(left));
            continue;
        }
        const bool negated = isKeyword("not") && (isKeyword("like", 1) || isKeyword("in", 1) ||
                                                  isKeyword("between", 1));
        if (negated)
            ++at_;
        if (acceptKeyword("like"))
            left = like(negated, std::move(left));
        else if (acceptKeyword("in"))
            left = in(negated, std::move(left));
        else if (acceptKeyword("between"))
            left = between(negated, std::move(left));
        else
            return left;
    }
}

ExprPtr ExpressionParser::postfix(Expr::Kind kind, bool negated, ExprPtr value) {
    std::vector<ExprPtr> operands;
    operands.push_back(std::move(value));
    auto expr = node(kind, "", std::move(operands));
    expr->negated = negated;
    return expr;
}

// The pattern of a like is a text, checked here so that every engine refuses the same.
ExprPtr ExpressionParser::like(bool negated, ExprPtr value) {
    if (peek().kind != Token::Text)
        syntaxError("like");
    const std::string pattern = peek().text;
    try {
        (void)LikePattern(pattern);
    } catch (const std::invalid_argument&) {
        detail::fail(detail::DataError::InvalidPattern, {pattern});
    }
    ++at_;
    auto expr = postfix(Expr::Kind::Like, negated, std::move(value));
    expr->text = pattern;
    return expr;
}

ExprPtr ExpressionParser::in(bool negated, ExprPtr value) {
    const Nested nested(nesting_);
    expectSymbol("(");
    auto expr = postfix(Expr::Kind::In, negated, std::move(value));
    if (isKeyword("select")) {
        expr->query = select();
    } else {
        do
            expr->operands.push_back(expression());
        while (acceptSymbol(","));
    }
    expectSymbol(")");
    return expr;
}

ExprPtr ExpressionParser::between(bool negated, ExprPtr value) {
    auto low = sum();
    expectKeyword("and");
    auto high = sum();
    std::vector<ExprPtr> operands;
    operands.push_back(std::move(value));
    operands.push_back(std::move(low));
    operands.push_back(std::move(high));
    auto expr = node(Expr::Kind::Between, "", std::move(operands));
    expr->negated = negated;
    return expr;
}

ExprPtr ExpressionParser::sum() {
    auto left = product();
    while (isSymbol("+") || isSymbol("-") || isSymbol("||") || isSymbol("&")) {
        std::string op = take().text;
        left = binary(op, std::move(left), product());
    }
    return left;
}

ExprPtr ExpressionParser::product() {
    auto left = unary();
    while (isSymbol("*") || isSymbol("/") || isSymbol("%")) {
        std::string op = take().text;
        left = binary(op, std::move(left), unary());
    }
    return left;
}

ExprPtr ExpressionParser::unary() {
    if (!isSymbol("-") && !isSymbol("+"))
        return primary();
    const Nested nested(nesting_);
    std::string op = take().text;
    std::vector<ExprPtr> operand;
    operand.push_back(unary());
    return node(Expr::Kind::Unary, op, std::move(operand));
}

ExprPtr ExpressionParser::primary() {
    const Token& token = peek();
    if (token.kind == Token::Number)
        return leaf(Expr::Kind::Number, take().text);
    if (token.kind == Token::Text)
        return isCallAhead(1) ? call("", take().text, true) : text();
    if (acceptKeyword("null"))
        return leaf(Expr::Kind::Null, "");
    if (isKeyword("true") || isKeyword("false"))
        return leaf(Expr::Kind::Boolean, lower(take()));
    if (acceptKeyword("exists")) {
        const Nested nested(nesting_);
        expectSymbol("(");
        auto expr = leaf(Expr::Kind::Exists, "");
        if (!isKeyword("select"))
            unexpected();
        expr->query = select();
        expectSymbol(")");
        return expr;
    }
    if (isSymbol("("))
        return parenthesized();
    if (!isNameToken())
        unexpected();
    if (isCallAhead(1))
        return call("", name(), false);
    std::string first = name();
    if (!acceptSymbol("."))
        return column("", std::move(first));
    if ((isNameToken() || peek().kind == Token::Text) && isCallAhead(1)) {
        const bool quoted = peek().kind == Token::Text;
        return call(first, quoted ? take().text : name(), quoted);
    }
    std::string second = name();
    if (!acceptSymbol("."))
        return column(std::move(first), std::move(second));
    auto expr = column(std::move(second), name()); // schema.table.column
    expr->schema = std::move(first);
    return expr;
}

ExprPtr ExpressionParser::text() {
    auto expr = leaf(Expr::Kind::Text, take().text);
    out_.texts_.push_back(expr->text);
    expr->parameter = out_.texts_.size();
    return expr;
}

ExprPtr ExpressionParser::column(std::string qualifier, std::string name) {
    auto expr = leaf(Expr::Kind::Column, std::move(name));
    expr->qualifier = std::move(qualifier);
    return expr;
}

ExprPtr ExpressionParser::parenthesized() {
    const Nested nested(nesting_);
    expectSymbol("(");
    ExprPtr expr;
    if (isKeyword("select")) {
        expr = leaf(Expr::Kind::Subquery, "");
        expr->query = select();
    } else {
        expr = expression();
    }
    expectSymbol(")");
    return expr;
}

// Whether the token ahead opens an argument list: "(", also after what another
// dialect would read as a comment ("/* .. */"), so that no spelling of a call hides it.
bool ExpressionParser::isCallAhead(std::size_t ahead) const {
    while (isSymbol("/", ahead) && isSymbol("*", ahead + 1)) {
        ahead += 2;
        while (peek(ahead).kind != Token::End &&
               !(isSymbol("*", ahead) && isSymbol("/", ahead + 1)))
            ++ahead;
        ahead += 2;
    }
    return isSymbol("(", ahead);
}

void ExpressionParser::skipToArguments() {
    while (!isSymbol("("))
        ++at_;
}

ExprPtr ExpressionParser::call(std::string qualifier, std::string function, bool quoted) {
    const Nested nested(nesting_);
    skipToArguments();
    expectSymbol("(");
    auto expr = leaf(Expr::Kind::Call, std::move(function));
    expr->qualifier = std::move(qualifier);
    expr->quotedName = quoted;
    if (acceptSymbol(")"))
        return expr;
    if (acceptSymbol("*")) {
        expr->operands.push_back(leaf(Expr::Kind::AllRows, "*"));
    } else {
        expr->distinct = acceptKeyword("distinct");
        do
            expr->operands.push_back(expression());
        while (acceptSymbol(","));
    }
    expectSymbol(")");
    for (const auto& operand : expr->operands)
        expr->height = std::max(expr->height, operand->height + 1);
    return expr;
}

} // namespace veltra::dialect

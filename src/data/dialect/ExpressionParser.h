// This file is not part of the API. The expressions of the dialect, read by recursive
// descent; each node keeps its tree's height within what the engines and the stack take.
#pragma once

#include "dialect/Lexer.h"

namespace veltra::dialect {

class ExpressionParser : protected TokenCursor {
  protected:
    using TokenCursor::TokenCursor;
    virtual ~ExpressionParser() = default;

    // A SELECT, where an expression holds one (IN, EXISTS, a subquery).
    virtual std::unique_ptr<Select> select() = 0;

    ExprPtr node(Expr::Kind kind, std::string text, std::vector<ExprPtr> operands = {});
    ExprPtr leaf(Expr::Kind kind, std::string text);
    ExprPtr binary(std::string op, ExprPtr left, ExprPtr right);
    ExprPtr expression();
    ExprPtr conjunction();
    ExprPtr negation();
    ExprPtr comparison();
    ExprPtr postfix(Expr::Kind kind, bool negated, ExprPtr value);
    ExprPtr like(bool negated, ExprPtr value);
    ExprPtr in(bool negated, ExprPtr value);
    ExprPtr between(bool negated, ExprPtr value);
    ExprPtr sum();
    ExprPtr product();
    ExprPtr unary();
    ExprPtr primary();
    ExprPtr text();
    ExprPtr column(std::string qualifier, std::string name);
    ExprPtr parenthesized();
    bool isCallAhead(std::size_t ahead) const;
    void skipToArguments();
    ExprPtr call(std::string qualifier, std::string function, bool quoted);
};

} // namespace veltra::dialect

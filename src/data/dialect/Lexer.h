// This file is not part of the API. The dialect's tokens, and a cursor over a statement's
// tokens that the parser reads them through.
#pragma once

#include "dialect/Statement.h"

#include <string>
#include <string_view>
#include <vector>

namespace veltra::dialect {

struct Token {
    enum Kind { Word, Name, Text, Number, Symbol, End } kind = End;
    std::string text; // Name and Text: the value, quotes removed
};

// The statement's tokens; throws veltra::Error (3075) for a text without its end, a
// character the dialect does not have, a malformed number.
std::vector<Token> tokenize(std::string_view sql);
// Whether a word (lower case) stands for the grammar itself: never a column, alias or
// function.
bool isReserved(const std::string& lower);
[[noreturn]] void syntaxError(const std::string& what);

// How deep parentheses and subqueries may nest, and how tall an expression may grow: far
// beyond what a form needs, well within what the engines and the stack take.
constexpr int kMaxNesting = 64;
constexpr int kMaxHeight = 256;

// Where the parser stands in the tokens, with what the parsed statement collects.
class TokenCursor {
  protected:
    TokenCursor(Statement& out, std::vector<Token> tokens)
        : out_(out), tokens_(std::move(tokens)) {}

    static std::string lower(const Token& token) { return asciiLower(token.text); }

    const Token& peek(std::size_t ahead = 0) const {
        static const Token end;
        return at_ + ahead < tokens_.size() ? tokens_[at_ + ahead] : end;
    }
    Token take() {
        Token token = peek();
        ++at_;
        return token;
    }
    bool isKeyword(std::string_view word, std::size_t ahead = 0) const {
        return peek(ahead).kind == Token::Word && lower(peek(ahead)) == word;
    }
    bool isSymbol(std::string_view symbol, std::size_t ahead = 0) const {
        return peek(ahead).kind == Token::Symbol && peek(ahead).text == symbol;
    }
    bool acceptKeyword(std::string_view word) {
        if (!isKeyword(word))
            return false;
        ++at_;
        return true;
    }
    bool acceptSymbol(std::string_view symbol) {
        if (!isSymbol(symbol))
            return false;
        ++at_;
        return true;
    }
    void expectKeyword(std::string_view word) {
        if (!acceptKeyword(word))
            unexpected();
    }
    void expectSymbol(std::string_view symbol) {
        if (!acceptSymbol(symbol))
            unexpected();
    }

    [[noreturn]] void unexpected() const;

    // A plain word that is not the grammar's, or a quoted name.
    bool isNameToken(std::size_t ahead = 0) const {
        const Token& token = peek(ahead);
        return token.kind == Token::Name ||
               (token.kind == Token::Word && !isReserved(lower(token)));
    }
    std::string name();

    // Guards the parser's own recursion.
    struct Nested {
        explicit Nested(int& depth) : depth_(depth) {
            if (++depth_ > kMaxNesting)
                syntaxError("aninhamento profundo demais");
        }
        ~Nested() { --depth_; }
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;
        int& depth_;
    };

    Statement& out_;
    std::vector<Token> tokens_;
    std::size_t at_ = 0;
    int nesting_ = 0;
};

} // namespace veltra::dialect

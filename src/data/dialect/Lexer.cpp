// Cutting a statement of the dialect into tokens, and what the cursor over them reports.
#include "dialect/Lexer.h"

#include "Errors.h"

#include <algorithm>
#include <array>
#include <regex>

namespace veltra::dialect {

namespace {

bool isWordStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool isWordPart(char c) {
    return isWordStart(c) || (c >= '0' && c <= '9') || c == '$';
}

// Reads a quoted run starting at text[i] (the opening quote); a doubled closing quote
// stands for itself. Returns the value and moves i past the closing quote.
std::string readQuoted(std::string_view text, std::size_t& i, char close) {
    std::string value;
    for (++i; i < text.size(); ++i) {
        if (text[i] != close) {
            value += text[i];
        } else if (close != ']' && i + 1 < text.size() && text[i + 1] == close) {
            value += close;
            ++i;
        } else {
            ++i;
            return value;
        }
    }
    syntaxError("texto sem fim");
}

// A name in brackets or backquotes; control characters never belong to one (the emitters
// mark table references with them).
std::string readName(std::string_view text, std::size_t& i) {
    std::string name = readQuoted(text, i, text[i] == '[' ? ']' : '`');
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        syntaxError("caractere de controle em um nome");
    return name;
}

bool isNumber(const std::string& text) {
    static const std::regex number(R"(([0-9]+(\.[0-9]*)?|\.[0-9]+)([eE][-+]?[0-9]+)?)");
    return std::regex_match(text, number);
}

} // namespace

std::vector<Token> tokenize(std::string_view sql) {
    static constexpr std::array<std::string_view, 8> kOperators = {
        "<>", "!=", "<=", ">=", "==", "||", "<<", ">>"};
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < sql.size();) {
        const char c = sql[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '\'' || c == '"') {
            tokens.push_back({Token::Text, readQuoted(sql, i, c)});
        } else if (c == '[' || c == '`') {
            tokens.push_back({Token::Name, readName(sql, i)});
        } else if (isWordStart(c)) {
            const auto start = i;
            while (i < sql.size() && isWordPart(sql[i]))
                ++i;
            tokens.push_back({Token::Word, std::string(sql.substr(start, i - start))});
        } else if ((c >= '0' && c <= '9') ||
                   (c == '.' && i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9')) {
            const auto start = i;
            while (i < sql.size() &&
                   (isWordPart(sql[i]) || sql[i] == '.' ||
                    ((sql[i] == '+' || sql[i] == '-') && (sql[i - 1] == 'e' || sql[i - 1] == 'E'))))
                ++i;
            tokens.push_back({Token::Number, std::string(sql.substr(start, i - start))});
            if (!isNumber(tokens.back().text))
                detail::fail(detail::DataError::SyntaxNear, {tokens.back().text});
        } else if (c == '?' || c == ':' || c == '@' || c == '$' || c == '#' ||
                   static_cast<unsigned char>(c) < 0x20) {
            syntaxError(std::string("caractere inesperado ") + c);
        } else {
            std::string op(1, c);
            for (const auto candidate : kOperators)
                if (sql.substr(i, 2) == candidate)
                    op = candidate;
            tokens.push_back({Token::Symbol, op});
            i += op.size();
        }
    }
    return tokens;
}

void syntaxError(const std::string& what) {
    detail::fail(detail::DataError::Syntax, {what});
}

bool isReserved(const std::string& lower) {
    static constexpr std::array<std::string_view, 39> kReserved = {
        "all",      "and",     "as",     "asc",       "between", "by",    "cross", "desc",
        "distinct", "except",  "exists", "false",     "for",     "from",  "full",  "group",
        "having",   "in",      "inner",  "intersect", "is",      "join",  "left",  "like",
        "limit",    "natural", "not",    "null",      "offset",  "on",    "or",    "order",
        "outer",    "right",   "select", "true",      "union",   "using", "where"};
    return std::find(kReserved.begin(), kReserved.end(), lower) != kReserved.end();
}

void TokenCursor::unexpected() const {
    const Token& token = peek();
    if (token.kind == Token::End)
        detail::fail(detail::DataError::SyntaxIncomplete);
    const std::string shown = token.kind == Token::Text   ? "'" + token.text + "'"
                              : token.kind == Token::Name ? "[" + token.text + "]"
                                                          : token.text;
    detail::fail(detail::DataError::SyntaxNear, {shown});
}

std::string TokenCursor::name() {
    if (!isNameToken())
        unexpected();
    std::string written = take().text;
    out_.names_.push_back(written);
    return written;
}

} // namespace veltra::dialect

// Reading a statement of the dialect into its tree. Whatever the text holds, the parser
// either gives the tree of one SELECT or throws: a second statement, another kind of
// statement, a comment, a quoted or qualified function name and a nesting too deep for
// the engines are refused here, before any engine sees the text.
#include "dialect/Folding.h"
#include "Errors.h"
#include "dialect/Safety.h"
#include "dialect/Statement.h"
#include "veltra/Error.h"

#include <algorithm>
#include <array>
#include <regex>
#include <stdexcept>

namespace veltra::dialect {

namespace {

struct Token {
    enum Kind { Word, Name, Text, Number, Symbol, End } kind = End;
    std::string text; // Name and Text: the value, quotes removed
};

[[noreturn]] void syntaxError(const std::string& what) {
    detail::fail(detail::DataError::Syntax, {what});
}

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

// Words that stand for the grammar itself: never a column, alias or function.
bool isReserved(const std::string& lower) {
    static constexpr std::array<std::string_view, 39> kReserved = {
        "all",      "and",     "as",     "asc",       "between", "by",    "cross", "desc",
        "distinct", "except",  "exists", "false",     "for",     "from",  "full",  "group",
        "having",   "in",      "inner",  "intersect", "is",      "join",  "left",  "like",
        "limit",    "natural", "not",    "null",      "offset",  "on",    "or",    "order",
        "outer",    "right",   "select", "true",      "union",   "using", "where"};
    return std::find(kReserved.begin(), kReserved.end(), lower) != kReserved.end();
}

// The first words of statements that write, change settings, lock or reach past the
// database: such a statement is refused as writing to a read-only database would be.
bool beginsAnotherStatement(const std::string& lower) {
    static constexpr std::array<std::string_view, 42> kVerbs = {
        "alter",   "analyze", "attach",  "begin",  "call",     "checkpoint", "close",
        "cluster", "comment", "commit",  "copy",   "create",   "deallocate", "declare",
        "delete",  "detach",  "discard", "do",     "drop",     "end",        "execute",
        "explain", "fetch",   "grant",   "import", "insert",   "listen",     "load",
        "lock",    "merge",   "move",    "notify", "pragma",   "prepare",    "reindex",
        "release", "replace", "reset",   "revoke", "rollback", "savepoint",  "set"};
    static constexpr std::array<std::string_view, 7> kMoreVerbs = {
        "show", "truncate", "unlisten", "update", "upsert", "vacuum", "with"};
    return std::find(kVerbs.begin(), kVerbs.end(), lower) != kVerbs.end() ||
           std::find(kMoreVerbs.begin(), kMoreVerbs.end(), lower) != kMoreVerbs.end();
}

[[noreturn]] void readOnly() {
    detail::fail(detail::DataError::ReadOnly);
}

// How deep parentheses and subqueries may nest, and how tall an expression may grow: far
// beyond what a form needs, well within what the engines and the stack take.
constexpr int kMaxNesting = 64;
constexpr int kMaxHeight = 256;

} // namespace

class Parser {
  public:
    Parser(Statement& out, std::string_view text) : out_(out), tokens_(tokenize(text)) {}

    void run() {
        dropFinalSemicolons();
        if (tokens_.empty())
            detail::fail(detail::DataError::EmptyStatement);
        if (peek().kind == Token::Word && beginsAnotherStatement(lower(peek())))
            readOnly();
        out_.select_ = select();
        if (isKeyword("for")) // FOR UPDATE, FOR SHARE: locks rows
            readOnly();
        if (peek().kind != Token::End)
            unexpected();
    }

  private:
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

    [[noreturn]] void unexpected() const {
        const Token& token = peek();
        if (token.kind == Token::End)
            detail::fail(detail::DataError::SyntaxIncomplete);
        const std::string shown = token.kind == Token::Text   ? "'" + token.text + "'"
                                  : token.kind == Token::Name ? "[" + token.text + "]"
                                                              : token.text;
        detail::fail(detail::DataError::SyntaxNear, {shown});
    }

    // One statement: what follows its first semicolon may only be more semicolons.
    void dropFinalSemicolons() {
        const auto semicolon = std::find_if(tokens_.begin(), tokens_.end(), [](const Token& t) {
            return t.kind == Token::Symbol && t.text == ";";
        });
        if (std::any_of(semicolon, tokens_.end(),
                        [](const Token& t) { return !(t.kind == Token::Symbol && t.text == ";"); }))
            detail::fail(detail::DataError::TextAfterStatement);
        tokens_.erase(semicolon, tokens_.end());
    }

    // A plain word that is not the grammar's, or a quoted name.
    bool isNameToken(std::size_t ahead = 0) const {
        const Token& token = peek(ahead);
        return token.kind == Token::Name ||
               (token.kind == Token::Word && !isReserved(lower(token)));
    }
    std::string name() {
        if (!isNameToken())
            unexpected();
        std::string written = take().text;
        out_.names_.push_back(written);
        return written;
    }

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

    std::unique_ptr<Select> select() {
        const Nested nested(nesting_);
        auto query = std::make_unique<Select>();
        query->cores.push_back(core());
        for (;;) {
            std::string op;
            if (acceptKeyword("union"))
                op = acceptKeyword("all") ? "union all" : "union";
            else if (acceptKeyword("except"))
                op = "except";
            else if (acceptKeyword("intersect"))
                op = "intersect";
            else
                break;
            query->operators.push_back(op);
            query->cores.push_back(core());
        }
        if (acceptKeyword("order")) {
            expectKeyword("by");
            do {
                OrderTerm term{expression(), false, false};
                if (acceptKeyword("desc"))
                    term.descending = term.directed = true;
                else if (acceptKeyword("asc"))
                    term.directed = true;
                query->orderBy.push_back(std::move(term));
            } while (acceptSymbol(","));
        }
        if (acceptKeyword("limit")) {
            query->limit = count();
            if (acceptKeyword("offset"))
                query->offset = count();
        }
        return query;
    }

    // A LIMIT or OFFSET: a whole number as written.
    ExprPtr count() {
        if (peek().kind != Token::Number ||
            peek().text.find_first_not_of("0123456789") != std::string::npos)
            unexpected();
        return leaf(Expr::Kind::Number, take().text);
    }

    Core core() {
        expectKeyword("select");
        Core core;
        if (acceptKeyword("distinct"))
            core.distinct = true;
        else
            acceptKeyword("all");
        do
            core.items.push_back(selectItem());
        while (acceptSymbol(","));
        if (acceptKeyword("from")) {
            do
                core.from.push_back(fromItem());
            while (acceptSymbol(","));
        }
        if (acceptKeyword("where"))
            core.where = expression();
        if (acceptKeyword("group")) {
            expectKeyword("by");
            do
                core.groupBy.push_back(expression());
            while (acceptSymbol(","));
        }
        if (acceptKeyword("having"))
            core.having = expression();
        return core;
    }

    SelectItem selectItem() {
        SelectItem item;
        if (acceptSymbol("*"))
            return item;
        if (isNameToken() && isSymbol(".", 1) && isSymbol("*", 2)) {
            item.qualifier = name();
            at_ += 2;
            return item;
        }
        item.expr = expression();
        item.alias = alias();
        return item;
    }

    // [AS] name after an item or a source, or nothing.
    std::string alias() {
        if (acceptKeyword("as"))
            return name();
        return isNameToken() ? name() : std::string();
    }

    FromItem fromItem() {
        FromItem item{source(), {}};
        for (;;) {
            std::string kind;
            if (acceptKeyword("natural"))
                kind = "natural ";
            for (const char* side : {"left", "right", "full"})
                if (acceptKeyword(side)) {
                    kind += std::string(side) + (acceptKeyword("outer") ? " outer " : " ");
                    break;
                }
            if (kind.empty() || kind == "natural ") {
                if (acceptKeyword("inner"))
                    kind += "inner ";
                else if (acceptKeyword("cross"))
                    kind += "cross ";
            }
            if (!acceptKeyword("join")) {
                if (!kind.empty())
                    unexpected();
                return item;
            }
            Join join{kind + "join", source(), nullptr, {}};
            if (acceptKeyword("on")) {
                join.on = expression();
            } else if (acceptKeyword("using")) {
                expectSymbol("(");
                do
                    join.columns.push_back(name());
                while (acceptSymbol(","));
                expectSymbol(")");
            }
            item.joins.push_back(std::move(join));
        }
    }

    Source source() {
        Source source;
        if (acceptSymbol("(")) {
            if (!isKeyword("select"))
                unexpected();
            source.query = select();
            expectSymbol(")");
        } else {
            source.name = name();
            if (acceptSymbol(".")) {
                source.schema = std::move(source.name);
                source.name = name();
            }
            if (source.schema.empty()) {
                source.table = static_cast<int>(out_.tables_.size());
                out_.tables_.push_back({source.name, ""});
            }
        }
        source.alias = alias();
        if (source.table >= 0)
            out_.tables_[static_cast<std::size_t>(source.table)].alias = source.alias;
        return source;
    }

    // Makes a node and keeps its height within bounds.
    ExprPtr node(Expr::Kind kind, std::string text, std::vector<ExprPtr> operands = {}) {
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
    ExprPtr leaf(Expr::Kind kind, std::string text) { return node(kind, std::move(text)); }
    ExprPtr binary(std::string op, ExprPtr left, ExprPtr right) {
        std::vector<ExprPtr> operands;
        operands.push_back(std::move(left));
        operands.push_back(std::move(right));
        return node(Expr::Kind::Binary, std::move(op), std::move(operands));
    }

    ExprPtr expression() {
        const Nested nested(nesting_);
        auto left = conjunction();
        while (acceptKeyword("or"))
            left = binary("or", std::move(left), conjunction());
        return left;
    }

    ExprPtr conjunction() {
        auto left = negation();
        while (acceptKeyword("and"))
            left = binary("and", std::move(left), negation());
        return left;
    }

    ExprPtr negation() {
        if (!acceptKeyword("not"))
            return comparison();
        const Nested nested(nesting_);
        std::vector<ExprPtr> operand;
        operand.push_back(negation());
        return node(Expr::Kind::Unary, "not", std::move(operand));
    }

    ExprPtr comparison() {
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

    ExprPtr postfix(Expr::Kind kind, bool negated, ExprPtr value) {
        std::vector<ExprPtr> operands;
        operands.push_back(std::move(value));
        auto expr = node(kind, "", std::move(operands));
        expr->negated = negated;
        return expr;
    }

    // The pattern of a like is a text, checked here so that every engine refuses the same.
    ExprPtr like(bool negated, ExprPtr value) {
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

    ExprPtr in(bool negated, ExprPtr value) {
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

    ExprPtr between(bool negated, ExprPtr value) {
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

    ExprPtr sum() {
        auto left = product();
        while (isSymbol("+") || isSymbol("-") || isSymbol("||") || isSymbol("&")) {
            std::string op = take().text;
            left = binary(op, std::move(left), product());
        }
        return left;
    }

    ExprPtr product() {
        auto left = unary();
        while (isSymbol("*") || isSymbol("/") || isSymbol("%")) {
            std::string op = take().text;
            left = binary(op, std::move(left), unary());
        }
        return left;
    }

    ExprPtr unary() {
        if (!isSymbol("-") && !isSymbol("+"))
            return primary();
        const Nested nested(nesting_);
        std::string op = take().text;
        std::vector<ExprPtr> operand;
        operand.push_back(unary());
        return node(Expr::Kind::Unary, op, std::move(operand));
    }

    ExprPtr primary() {
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

    ExprPtr text() {
        auto expr = leaf(Expr::Kind::Text, take().text);
        out_.texts_.push_back(expr->text);
        expr->parameter = out_.texts_.size();
        return expr;
    }

    ExprPtr column(std::string qualifier, std::string name) {
        auto expr = leaf(Expr::Kind::Column, std::move(name));
        expr->qualifier = std::move(qualifier);
        return expr;
    }

    ExprPtr parenthesized() {
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
    bool isCallAhead(std::size_t ahead) const {
        while (isSymbol("/", ahead) && isSymbol("*", ahead + 1)) {
            ahead += 2;
            while (peek(ahead).kind != Token::End &&
                   !(isSymbol("*", ahead) && isSymbol("/", ahead + 1)))
                ++ahead;
            ahead += 2;
        }
        return isSymbol("(", ahead);
    }
    void skipToArguments() {
        while (!isSymbol("("))
            ++at_;
    }

    ExprPtr call(std::string qualifier, std::string function, bool quoted) {
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

    Statement& out_;
    std::vector<Token> tokens_;
    std::size_t at_ = 0;
    int nesting_ = 0;
};

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

Statement::Statement(std::string_view text) {
    Parser(*this, text).run();
    checkSafety(*this);
    collectFacts();
}

Statement::~Statement() = default;
Statement::Statement(Statement&&) noexcept = default;
Statement& Statement::operator=(Statement&&) noexcept = default;

std::string Statement::asWritten(std::string_view name) const {
    const std::string wanted = asciiLower(name);
    for (const auto& written : names_)
        if (asciiLower(written) == wanted)
            return written;
    return std::string(name);
}

} // namespace veltra::dialect

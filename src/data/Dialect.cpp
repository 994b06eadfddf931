#include "data/Dialect.h"

#include "data/Folding.h"
#include "veltra/Error.h"

#include <algorithm>
#include <stdexcept>

namespace veltra::dialect {

namespace {

struct Token {
    enum Kind { Space, Word, Name, Text, Number, Symbol } kind;
    std::string text; // Name and Text: the value, quotes removed
};

[[noreturn]] void syntaxError(const std::string& what) {
    throw Error(ErrorNumber::SyntaxError, "Erro de sintaxe na instrução SQL (" + what + ").");
}

bool isKeyword(const Token& t, std::string_view keyword) {
    return t.kind == Token::Word && asciiLower(t.text) == keyword;
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

std::vector<Token> tokenize(std::string_view sql) {
    static const std::vector<std::string_view> kOperators = {
        "<>", "!=", "<=", ">=", "==", "||", "<<", ">>"};
    std::vector<Token> tokens;
    const auto space = [&] {
        if (tokens.empty() || tokens.back().kind != Token::Space)
            tokens.push_back({Token::Space, " "});
    };
    for (std::size_t i = 0; i < sql.size();) {
        const char c = sql[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            space();
            ++i;
        } else if (c == '\'' || c == '"') {
            tokens.push_back({Token::Text, readQuoted(sql, i, c)});
        } else if (c == '[' || c == '`') {
            tokens.push_back({Token::Name, readQuoted(sql, i, c == '[' ? ']' : '`')});
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
        } else if (c == '?' || c == ':' || c == '@' || c == '$' || c == '#') {
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

bool isComparison(const Token& t) {
    static const std::vector<std::string_view> kComparisons = {
        "=", "==", "<>", "!=", "<", ">", "<=", ">="};
    return t.kind == Token::Symbol &&
           std::find(kComparisons.begin(), kComparisons.end(), t.text) != kComparisons.end();
}

bool endsFromItem(const Token& t) {
    static const std::vector<std::string_view> kWords = {
        "where",     "group",   "order", "having", "limit", "union", "except",
        "intersect", "join",    "inner", "left",   "right", "full",  "outer",
        "cross",     "natural", "on",    "using",  "as",    "window"};
    return t.kind == Token::Word &&
           std::find(kWords.begin(), kWords.end(), asciiLower(t.text)) != kWords.end();
}

std::string parameterName(std::size_t number) {
    std::string name = "?";
    name += std::to_string(number);
    return name;
}

// The upper end of the folded texts that begin with a prefix: the prefix followed by the
// highest code point.
std::string afterPrefix(const std::string& prefix) {
    return prefix + "\xF4\x8F\xBF\xBF";
}

} // namespace

class Translator {
  public:
    Translator(Translation& out, std::string_view statement)
        : out_(out), tokens_(tokenize(statement)) {}

    void run() {
        dropFinalSemicolon();
        for (std::size_t i = 0; i < tokens_.size(); ++i)
            step(i);
        finishTerm();
    }

  private:
    enum class Clause { Other, From, Sorting };

    static constexpr std::size_t npos = std::string::npos;

    void dropFinalSemicolon() {
        const auto semicolon = std::find_if(tokens_.begin(), tokens_.end(), [](const Token& t) {
            return t.kind == Token::Symbol && t.text == ";";
        });
        if (semicolon == tokens_.end())
            return;
        for (auto rest = semicolon; rest != tokens_.end(); ++rest)
            if (rest->kind != Token::Space && !(rest->kind == Token::Symbol && rest->text == ";"))
                throw Error(ErrorNumber::TextAfterStatement,
                            "Caracteres encontrados após o fim da instrução SQL.");
        tokens_.erase(semicolon, tokens_.end());
    }

    std::size_t previous(std::size_t i) const {
        while (i-- > 0)
            if (tokens_[i].kind != Token::Space)
                return i;
        return npos;
    }
    std::size_t next(std::size_t i) const {
        while (++i < tokens_.size())
            if (tokens_[i].kind != Token::Space)
                return i;
        return npos;
    }
    bool isSymbol(std::size_t i, std::string_view s) const {
        return i != npos && tokens_[i].kind == Token::Symbol && tokens_[i].text == s;
    }
    bool isName(std::size_t i) const {
        return i != npos && (tokens_[i].kind == Token::Name ||
                             (tokens_[i].kind == Token::Word && !endsFromItem(tokens_[i])));
    }

    // The first token of the column reference (name or qualifier.name) that ends at i.
    std::size_t columnReferenceStart(std::size_t i) const {
        if (!isName(i))
            return npos;
        const auto dot = previous(i);
        if (isSymbol(dot, ".") && isName(previous(dot)))
            return previous(dot);
        return i;
    }

    std::optional<SearchedColumn> columnReference(std::size_t first, std::size_t last) const {
        std::vector<std::size_t> significant;
        for (auto k = first; k <= last && k < tokens_.size(); ++k)
            if (tokens_[k].kind != Token::Space)
                significant.push_back(k);
        if (significant.size() == 1 && isName(significant[0]))
            return SearchedColumn{"", tokens_[significant[0]].text};
        if (significant.size() == 3 && isName(significant[0]) && isSymbol(significant[1], ".") &&
            isName(significant[2]))
            return SearchedColumn{tokens_[significant[0]].text, tokens_[significant[2]].text};
        return std::nullopt;
    }

    std::string parameterFor(std::size_t token) {
        auto& number = parameterOfToken_[token];
        if (number == 0) {
            out_.parameters_.push_back(tokens_[token].text);
            number = static_cast<int>(out_.parameters_.size());
        }
        return parameterName(number);
    }

    std::string newParameter(std::string value) {
        out_.parameters_.push_back(std::move(value));
        return parameterName(out_.parameters_.size());
    }

    std::string textOf(std::size_t i) {
        const Token& t = tokens_[i];
        switch (t.kind) {
        case Token::Name:
            return quoteName(t.text);
        case Token::Text:
            return parameterFor(i);
        // The dialect has no comments: "--" and "/*" are operators, kept apart so that
        // SQLite does not read a comment into them.
        case Token::Symbol:
            return t.text == "-" || t.text == "/" ? t.text + " " : t.text;
        default:
            return t.text;
        }
    }

    void emit(std::string text, std::size_t source, int table = -1) {
        out_.pieces_.push_back({std::move(text), table});
        pieceSource_.push_back(source);
    }

    void step(std::size_t& i) {
        const Token& t = tokens_[i];
        if (t.kind == Token::Symbol && t.text == "(")
            ++depth_;
        if (t.kind == Token::Symbol && t.text == ")")
            --depth_;
        if (depth_ == 0 && t.kind == Token::Word && enterClause(i))
            return emit(textOf(i), i);
        if (isKeyword(t, "like"))
            return like(i);
        if (t.kind == Token::Text)
            return literal(i);
        if (clause_ == Clause::From && depth_ == 0 && expectTable_ && isName(i))
            return table(i);
        if (depth_ == 0 && t.kind == Token::Symbol && t.text == ",") {
            if (clause_ == Clause::Sorting)
                finishTerm();
            emit(",", i);
            expectTable_ = clause_ == Clause::From;
            termStart_ = out_.pieces_.size();
            termSource_ = i + 1;
            return;
        }
        if (clause_ == Clause::From && depth_ == 0 && isKeyword(t, "join"))
            expectTable_ = true;
        if (clause_ == Clause::From && isSymbol(i, "(")) // a subquery, not a table
            expectTable_ = false;
        emit(textOf(i), i);
    }

    // Follows the clause that a keyword starts; returns whether the word was such a keyword.
    bool enterClause(std::size_t i) {
        const std::string word = asciiLower(tokens_[i].text);
        const bool by = isKeyword(tokens_[i], "by");
        if (word == "from") {
            finishTerm();
            clause_ = Clause::From;
            expectTable_ = true;
        } else if (by && (pendingSort_)) {
            clause_ = Clause::Sorting;
            pendingSort_ = false;
            termStart_ = out_.pieces_.size() + 1;
            termSource_ = i + 1;
        } else if (word == "order" || word == "group") {
            finishTerm();
            clause_ = Clause::Other;
            pendingSort_ = true;
        } else if (word == "select" || word == "where" || word == "having" || word == "limit" ||
                   word == "union" || word == "except" || word == "intersect") {
            finishTerm();
            clause_ = Clause::Other;
        } else {
            return false;
        }
        return true;
    }

    // Ends a term of ORDER BY or GROUP BY: it orders and groups in the folded collation.
    void finishTerm() {
        if (clause_ != Clause::Sorting)
            return;
        auto& pieces = out_.pieces_;
        std::size_t last = pieces.size();
        while (last > termStart_ && pieces[last - 1].text == " ")
            --last;
        if (last <= termStart_)
            return;
        for (auto k = termStart_; k < last; ++k)
            if (asciiLower(pieces[k].text) == "collate")
                return;
        const std::string direction = asciiLower(pieces[last - 1].text);
        const bool directed = direction == "asc" || direction == "desc";
        const auto at = directed ? last - 1 : last;
        std::size_t sourceEnd = pieceSource_[last - 1] + 1;
        if (directed)
            sourceEnd = previous(pieceSource_[last - 1]) + 1;
        if (auto column = columnReference(termSource_, sourceEnd - 1))
            out_.searched_.push_back(*column);
        pieces.insert(pieces.begin() + static_cast<long>(at),
                      {std::string(" COLLATE ") + kCollation + (directed ? " " : ""), -1});
        pieceSource_.insert(pieceSource_.begin() + static_cast<long>(at), pieceSource_[at - 1]);
    }

    void table(std::size_t& i) {
        const auto dot = next(i);
        if (isSymbol(dot, ".")) { // schema-qualified: read as written
            emit(textOf(i), i);
            return;
        }
        TableReference reference{tokens_[i].text, ""};
        auto after = next(i);
        if (after != npos && isKeyword(tokens_[after], "as"))
            after = next(after);
        if (isName(after))
            reference.alias = tokens_[after].text;
        out_.tables_.push_back(reference);
        emit(textOf(i), i, static_cast<int>(out_.tables_.size()) - 1);
        expectTable_ = false;
    }

    void literal(std::size_t i) {
        std::string text = parameterFor(i);
        const auto before = previous(i);
        const auto after = next(i);
        const bool compared = (before != npos && isComparison(tokens_[before])) ||
                              (after != npos && isComparison(tokens_[after]));
        if (compared) {
            text += std::string(" COLLATE ") + kCollation;
            if (before != npos && isComparison(tokens_[before]))
                if (auto column =
                        columnReference(columnReferenceStart(previous(before)), previous(before)))
                    out_.searched_.push_back(*column);
        }
        emit(std::move(text), i);
    }

    // operand [NOT] LIKE 'pattern' becomes a range over the folded text plus a residual
    // match, or an equality for a pattern without wildcards.
    void like(std::size_t& i) {
        auto operandEnd = previous(i);
        const bool negated = operandEnd != npos && isKeyword(tokens_[operandEnd], "not");
        if (negated)
            operandEnd = previous(operandEnd);
        const auto operandStart = operandStartAt(operandEnd);
        const auto patternToken = next(i);
        if (operandStart == npos || patternToken == npos ||
            tokens_[patternToken].kind != Token::Text)
            syntaxError("like");
        while (!pieceSource_.empty() && pieceSource_.back() >= operandStart) {
            out_.pieces_.pop_back();
            pieceSource_.pop_back();
        }
        std::string operand;
        for (auto k = operandStart; k <= operandEnd; ++k)
            operand += tokens_[k].kind == Token::Space ? " " : textOf(k);
        if (auto column = columnReference(operandStart, operandEnd))
            out_.searched_.push_back(*column);

        const std::string& pattern = tokens_[patternToken].text;
        std::optional<LikePattern> compiled;
        try {
            compiled.emplace(pattern);
        } catch (const std::invalid_argument&) {
            throw Error(ErrorNumber::SyntaxError, "Padrão de cadeia inválido: '" + pattern + "'.");
        }
        const std::string collate = std::string(" COLLATE ") + kCollation;
        std::vector<std::string> conditions;
        if (compiled->isLiteral()) {
            conditions.push_back(operand + " = " + newParameter(compiled->prefix()) + collate);
        } else {
            if (!compiled->prefix().empty()) {
                conditions.push_back(operand + " >= " + newParameter(compiled->prefix()) + collate);
                conditions.push_back(operand + " < " +
                                     newParameter(afterPrefix(compiled->prefix())) + collate);
            }
            if (!compiled->isPrefixOnly())
                conditions.push_back(std::string(kLikeFunction) + "(" + operand + ", " +
                                     newParameter(pattern) + ")");
        }
        std::string expression;
        for (const auto& condition : conditions)
            expression += (expression.empty() ? "" : " AND ") + condition;
        emit((negated ? "NOT (" : "(") + expression + ")", i);
        i = patternToken;
    }

    std::size_t operandStartAt(std::size_t end) const {
        if (end == npos)
            return npos;
        if (tokens_[end].kind == Token::Text || tokens_[end].kind == Token::Number)
            return end;
        if (isSymbol(end, ")")) {
            int depth = 0;
            for (auto k = end + 1; k-- > 0;) {
                if (isSymbol(k, ")"))
                    ++depth;
                if (isSymbol(k, "(") && --depth == 0) {
                    const auto function = previous(k);
                    return function != npos && tokens_[function].kind == Token::Word ? function : k;
                }
            }
            return npos;
        }
        return columnReferenceStart(end);
    }

    Translation& out_;
    std::vector<Token> tokens_;
    std::vector<std::size_t> pieceSource_;
    std::map<std::size_t, int> parameterOfToken_;
    Clause clause_ = Clause::Other;
    bool expectTable_ = false;
    bool pendingSort_ = false;
    int depth_ = 0;
    std::size_t termStart_ = 0;
    std::size_t termSource_ = 0;
};

std::string quoteName(std::string_view name) {
    std::string out = "\"";
    for (char c : name)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

Translation::Translation(std::string_view statement) {
    Translator(*this, statement).run();
}

std::string Translation::render(const std::map<std::string, std::string>& readFrom) const {
    std::string sql;
    for (const auto& piece : pieces_) {
        if (piece.table >= 0) {
            const auto& reference = tables_[static_cast<std::size_t>(piece.table)];
            if (const auto replacement = readFrom.find(asciiLower(reference.name));
                replacement != readFrom.end()) {
                sql += replacement->second;
                if (reference.alias.empty())
                    sql += " AS " + quoteName(reference.name);
                continue;
            }
        }
        sql += piece.text;
    }
    return sql;
}

} // namespace veltra::dialect

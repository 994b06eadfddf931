#include "data/Dialect.h"

#include "data/Folding.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

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

// The upper end of the folded texts that begin with a prefix: the prefix followed by the
// highest code point.
std::string afterPrefix(const std::string& prefix) {
    return prefix + "\xF4\x8F\xBF\xBF";
}

// Quoted for a string literal of SQL.
std::string literalText(std::string_view text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

// The characters that folding changes, and what each becomes.
struct FoldingTable {
    std::string from;
    std::string to;
    FoldingTable() {
        for (char32_t c = 0; c < 0x530; ++c)
            if (fold(c) != c) {
                appendUtf8(from, c);
                appendUtf8(to, fold(c));
            }
    }
};

// Engine functions that reach past the table's rows (extensions, settings, server files,
// other databases): not the dialect's, so unknown whatever the engine.
bool reachesOutside(const std::string& function) {
    for (const char* prefix : {"pg_", "lo_", "dblink"})
        if (function.starts_with(prefix))
            return true;
    return function == "load_extension" || function == "set_config";
}

const FoldingTable& foldingTable() {
    static const FoldingTable table;
    return table;
}

// Val on PostgreSQL: the number a text begins with, blanks ignored throughout; 0 for a text
// that does not begin with one; null for null.
std::string postgresVal(const std::string& x) {
    return "CASE WHEN (" + x + ") IS NULL THEN NULL ELSE COALESCE(CAST(NULLIF(substring(" +
           "regexp_replace(CAST(" + x + " AS text), '[ \\t\\n\\r]', '', 'g') FROM " +
           "'^[-+]?(?:[0-9]+[.]?[0-9]*|[.][0-9]+)(?:[eE][-+]?[0-9]+)?'), '') AS float8), 0) END";
}

} // namespace

const std::string& foldedFrom() {
    return foldingTable().from;
}

const std::string& foldedTo() {
    return foldingTable().to;
}

std::string foldOpen(const Target& target) {
    return (target.foldFunction.empty() ? "translate" : target.foldFunction) + "(CAST(";
}

std::string foldClose(const Target& target) {
    if (!target.foldFunction.empty())
        return " AS text))";
    return " AS text), " + literalText(foldedFrom()) + ", " + literalText(foldedTo()) + ")";
}

std::string foldedOnServer(const std::string& expression, const Target& target) {
    return foldOpen(target) + expression + foldClose(target);
}

std::string foldFunctionDefinition() {
    return "CREATE OR REPLACE FUNCTION veltra_fold(text) RETURNS text LANGUAGE sql IMMUTABLE "
           "STRICT PARALLEL SAFE RETURN translate($1, " +
           literalText(foldedFrom()) + ", " + literalText(foldedTo()) + ")";
}

class Translator {
  public:
    Translator(Translation& out, std::string_view statement, const Target& target)
        : out_(out), target_(target), tokens_(tokenize(statement)) {}

    void run() {
        dropFinalSemicolon();
        for (const auto& token : tokens_) {
            if (token.kind == Token::Word || token.kind == Token::Name)
                out_.names_.push_back(token.text);
            if (out_.firstWord_.empty() && token.kind == Token::Word)
                out_.firstWord_ = asciiLower(token.text);
        }
        findGroupedColumns();
        for (std::size_t i = 0; i < tokens_.size(); ++i)
            step(i);
        finishTerm();
    }

  private:
    enum class Clause { Other, Select, From, Sorting };

    bool postgres() const { return target_.engine == Target::Engine::PostgreSQL; }

    std::string parameterName(std::size_t number) const {
        return (postgres() ? "$" : "?") + std::to_string(number);
    }

    // An expression folded on PostgreSQL, as text: what goes before and after it.
    std::string foldOpen() const { return dialect::foldOpen(target_); }
    std::string foldClose() const { return dialect::foldClose(target_); }
    std::string folded(const std::string& expression) const {
        return foldedOnServer(expression, target_);
    }

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
            return quoteName(postgres() ? asciiLower(t.text) : t.text);
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

    // Takes back what was emitted from token first on, for an operator that rewrites its
    // operand; returns the text emitted for the tokens first to last.
    std::string takeEmitted(std::size_t first, std::size_t last) {
        std::size_t from = pieceSource_.size();
        while (from > 0 && pieceSource_[from - 1] >= first)
            --from;
        std::string text;
        for (auto k = from; k < pieceSource_.size(); ++k)
            if (pieceSource_[k] <= last)
                text += out_.pieces_[k].text;
        out_.pieces_.resize(from);
        pieceSource_.resize(from);
        return text;
    }

    void step(std::size_t& i) {
        const std::size_t token = i;
        if (const auto text = before_.find(token); text != before_.end())
            emit(text->second, token);
        if (isSymbol(token, "("))
            openParenthesis(token);
        if (isSymbol(token, ")") && closeFunction(token)) {
            --depth_;
        } else {
            stepToken(i);
        }
        if (const auto text = after_.find(token); text != after_.end())
            emit(text->second, token);
    }

    void openParenthesis(std::size_t token) {
        const auto word = previous(token);
        Open open{token, "", out_.pieces_.size()};
        if (word != npos && tokens_[word].kind == Token::Word) {
            open.function = asciiLower(tokens_[word].text);
            if (reachesOutside(open.function))
                throw Error(ErrorNumber::UnknownFunction,
                            "Função '" + tokens_[word].text + "' indefinida na expressão.");
            for (auto k = pieceSource_.size(); k-- > 0;)
                if (pieceSource_[k] == word) {
                    open.functionPiece = k;
                    break;
                }
        }
        opens_.push_back(open);
    }

    // The dialect's own functions take one argument; on PostgreSQL they are written out.
    // Returns whether the closing parenthesis was emitted here.
    bool closeFunction(std::size_t token) {
        if (opens_.empty())
            return false;
        const Open open = opens_.back();
        opens_.pop_back();
        if (open.function != "cstr" && open.function != "val")
            return false;
        if (argumentsBetween(open.token, token) != 1)
            throw Error(ErrorNumber::UnknownFunction,
                        "Número incorreto de argumentos usados com a função '" +
                            tokens_[previous(open.token)].text + "' na expressão.");
        if (!postgres())
            return false;
        std::string argument;
        for (auto k = open.functionPiece; k < out_.pieces_.size(); ++k)
            if (pieceSource_[k] > open.token)
                argument += out_.pieces_[k].text;
        out_.pieces_.resize(open.functionPiece);
        pieceSource_.resize(open.functionPiece);
        emit(open.function == "cstr" ? "CAST(" + argument + " AS text)" : postgresVal(argument),
             token);
        return true;
    }

    std::size_t argumentsBetween(std::size_t open, std::size_t close) const {
        std::size_t arguments = 0;
        int depth = 0;
        bool empty = true;
        for (auto k = open + 1; k < close; ++k) {
            if (isSymbol(k, "("))
                ++depth;
            else if (isSymbol(k, ")"))
                --depth;
            else if (depth == 0 && isSymbol(k, ",")) {
                ++arguments;
                continue;
            }
            if (tokens_[k].kind != Token::Space)
                empty = false;
        }
        return empty && arguments == 0 ? 0 : arguments + 1;
    }

    void stepToken(std::size_t& i) {
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
        if (clause_ == Clause::Select && depth_ == 0 && groupedItem(i))
            return;
        emit(textOf(i), i);
    }

    // The columns (lower case) that the statement groups by, as whole terms of its GROUP
    // BY; on PostgreSQL only its text columns, which are grouped folded.
    void findGroupedColumns() {
        int depth = 0;
        bool inGroupBy = false;
        std::size_t itemStart = npos;
        const auto endItem = [&](std::size_t end) {
            if (itemStart == npos || end == npos)
                return;
            if (const auto column = columnReference(itemStart, end);
                column && (!postgres() || isText(itemStart, end)))
                grouped_.insert(asciiLower(column->column));
        };
        for (std::size_t k = 0; k < tokens_.size(); ++k) {
            if (isSymbol(k, "("))
                ++depth;
            if (isSymbol(k, ")"))
                --depth;
            if (depth != 0 || tokens_[k].kind == Token::Space)
                continue;
            if (isKeyword(tokens_[k], "by") && isKeyword(tokens_[previous(k)], "group")) {
                inGroupBy = true;
                itemStart = next(k);
            } else if (inGroupBy && isSymbol(k, ",")) {
                endItem(previous(k));
                itemStart = next(k);
            } else if (inGroupBy && tokens_[k].kind == Token::Word && isClauseEnd(tokens_[k])) {
                endItem(previous(k));
                inGroupBy = false;
            }
        }
        if (inGroupBy)
            endItem(previous(tokens_.size()));
    }

    static bool isClauseEnd(const Token& t) {
        for (const char* word : {"having", "order", "limit", "union", "except", "intersect"})
            if (isKeyword(t, word))
                return true;
        return false;
    }

    // A select-list item that is only a column the statement groups by stands for its
    // group as the group's smallest exact text, the same on both engines.
    bool groupedItem(std::size_t& i) {
        if (grouped_.empty() || !isName(i))
            return false;
        const auto before = previous(i);
        if (before == npos ||
            !(isSymbol(before, ",") || isKeyword(tokens_[before], "select") ||
              isKeyword(tokens_[before], "distinct") || isKeyword(tokens_[before], "all")))
            return false;
        auto end = i;
        if (isSymbol(next(i), ".") && isName(next(next(i))))
            end = next(next(i));
        const auto after = next(end);
        const bool aliased = after != npos && isKeyword(tokens_[after], "as");
        if (!(after == npos || aliased || isSymbol(after, ",") ||
              isKeyword(tokens_[after], "from")))
            return false;
        const auto column = columnReference(i, end);
        if (!column || !grouped_.contains(asciiLower(column->column)))
            return false;
        shownByMin_.insert(asciiLower(column->column));
        std::string reference;
        for (auto k = i; k <= end; ++k)
            reference += textOf(k);
        emit("min(" + reference + (postgres() ? " COLLATE \"C\")" : ")") +
                 (aliased ? "" : " AS " + textOf(end)),
             i);
        i = end;
        return true;
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
        } else if (word == "select") {
            finishTerm();
            clause_ = Clause::Select;
        } else if (word == "where" || word == "having" || word == "limit" || word == "union" ||
                   word == "except" || word == "intersect") {
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
        if (postgres()) {
            // Text is ordered and grouped folded; the select list shows a grouped column
            // through min() (see groupedItem).
            if (!isText(next(termSource_ - 1), sourceEnd - 1))
                return;
            auto first = termStart_;
            while (first < at && pieces[first].text == " ")
                ++first;
            std::string term;
            for (auto k = first; k < at; ++k)
                term += pieces[k].text;
            pieces.erase(pieces.begin() + static_cast<long>(first),
                         pieces.begin() + static_cast<long>(at));
            pieces.insert(pieces.begin() + static_cast<long>(first),
                          {folded(term) + " COLLATE \"C\"" + (directed ? " " : ""), -1});
            pieceSource_.erase(pieceSource_.begin() + static_cast<long>(first),
                               pieceSource_.begin() + static_cast<long>(at));
            pieceSource_.insert(pieceSource_.begin() + static_cast<long>(first), termSource_);
            return;
        }
        qualifyShownByMin(next(termSource_ - 1), sourceEnd - 1);
        pieces.insert(pieces.begin() + static_cast<long>(at),
                      {std::string(" COLLATE ") + kCollation + (directed ? " " : ""), -1});
        pieceSource_.insert(pieceSource_.begin() + static_cast<long>(at), pieceSource_[at - 1]);
    }

    // SQLite orders by a select-list name before a column of that name; a grouped column
    // that the list shows through min() is ordered as the table's column, which the
    // folded index delivers in order, when the statement reads one table.
    void qualifyShownByMin(std::size_t first, std::size_t last) {
        if (first != last || !isName(first) || out_.tables_.size() != 1 ||
            !shownByMin_.contains(asciiLower(tokens_[first].text)))
            return;
        const auto& table = out_.tables_.front();
        for (auto k = termStart_; k < out_.pieces_.size(); ++k)
            if (pieceSource_[k] == first) {
                out_.pieces_[k].text = quoteName(table.alias.empty() ? table.name : table.alias) +
                                       "." + out_.pieces_[k].text;
                return;
            }
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
        if (compared && postgres())
            return comparedOnServer(i, before, after, text);
        if (compared) {
            text += std::string(" COLLATE ") + kCollation;
            if (before != npos && isComparison(tokens_[before]))
                if (auto column =
                        columnReference(columnReferenceStart(previous(before)), previous(before)))
                    out_.searched_.push_back(*column);
        }
        emit(std::move(text), i);
    }

    // Both sides of a comparison between text and a text literal folded: the operand
    // already emitted before the operator, or the one after it when the literal comes
    // first. A literal compared with a literal folds itself; compared with anything but
    // text, it is a value of that thing's type.
    void comparedOnServer(std::size_t i, std::size_t before, std::size_t after,
                          const std::string& parameter) {
        const bool literalFirst = !(before != npos && isComparison(tokens_[before]));
        const auto operandStart = literalFirst ? next(after) : operandStartAt(previous(before));
        const auto operandEnd = literalFirst ? operandEndAt(operandStart) : previous(before);
        if (operandStart == npos || operandEnd == npos)
            return emit(folded(parameter), i);
        if (!isText(operandStart, operandEnd)) {
            out_.untyped_.insert(static_cast<std::size_t>(parameterOfToken_[i] - 1));
            return emit(parameter, i);
        }
        if (auto column = columnReference(operandStart, operandEnd))
            out_.searched_.push_back(*column);
        if (tokens_[literalFirst ? operandStart : operandEnd].kind == Token::Text)
            return emit(folded(parameter), i);
        if (literalFirst) {
            before_[operandStart] += foldOpen();
            after_[operandEnd] += foldClose();
            return emit(folded(parameter), i);
        }
        const std::string operand = takeEmitted(operandStart, operandEnd);
        emit(folded(operand) + " " + tokens_[before].text + " " + folded(parameter), i);
    }

    // Whether the tokens first to last are text on the server: a text literal, a text
    // column, cstr().
    bool isText(std::size_t first, std::size_t last) const {
        if (first == last && tokens_[first].kind == Token::Text)
            return true;
        if (const auto column = columnReference(first, last))
            return target_.textColumns.contains(asciiLower(column->column));
        return tokens_[first].kind == Token::Word && asciiLower(tokens_[first].text) == "cstr" &&
               operandEndAt(first) == last;
    }

    // The last token of the operand that begins at start: a name, a qualified name, a
    // function call, a literal.
    std::size_t operandEndAt(std::size_t start) const {
        if (start == npos)
            return npos;
        if (tokens_[start].kind == Token::Text || tokens_[start].kind == Token::Number)
            return start;
        const auto following = next(start);
        if (isSymbol(following, ".") && isName(next(following)))
            return next(following);
        if (isSymbol(following, "(")) {
            int depth = 0;
            for (auto k = following; k < tokens_.size(); ++k) {
                if (isSymbol(k, "("))
                    ++depth;
                if (isSymbol(k, ")") && --depth == 0)
                    return k;
            }
            return npos;
        }
        return isName(start) ? start : npos;
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
        const std::string operand = takeEmitted(operandStart, operandEnd);
        const std::string& pattern = tokens_[patternToken].text;
        if (auto column = columnReference(operandStart, operandEnd)) {
            out_.searched_.push_back(*column);
            if (!negated)
                out_.likes_.push_back({*column, pattern});
        }

        std::optional<LikePattern> compiled;
        try {
            compiled.emplace(pattern);
        } catch (const std::invalid_argument&) {
            throw Error(ErrorNumber::SyntaxError, "Padrão de cadeia inválido: '" + pattern + "'.");
        }
        const std::string collate = std::string(" COLLATE ") + kCollation;
        std::vector<std::string> conditions;
        if (postgres()) {
            const std::string operandFolded = folded(operand);
            if (compiled->isLiteral()) {
                conditions.push_back(operandFolded + " = " + newParameter(compiled->prefix()));
            } else {
                if (!compiled->prefix().empty()) {
                    conditions.push_back(operandFolded +
                                         " COLLATE \"C\" >= " + newParameter(compiled->prefix()));
                    conditions.push_back(operandFolded + " COLLATE \"C\" < " +
                                         newParameter(afterPrefix(compiled->prefix())));
                }
                if (!compiled->isPrefixOnly())
                    conditions.push_back(operandFolded + " ~ " + newParameter(compiled->regex()));
            }
        } else if (compiled->isLiteral()) {
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
    const Target& target_;
    std::vector<Token> tokens_;
    std::vector<std::size_t> pieceSource_;
    // An open parenthesis: its token, and the function word before it (lower case) with
    // the piece that word went into.
    struct Open {
        std::size_t token;
        std::string function;
        std::size_t functionPiece;
    };
    std::vector<Open> opens_;
    // Text that goes before or after a token when it is emitted (PostgreSQL's folding of
    // the operand a literal is compared with).
    std::map<std::size_t, std::string> before_;
    std::map<std::size_t, std::string> after_;
    std::set<std::string> grouped_;
    std::set<std::string> shownByMin_;
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

Translation::Translation(std::string_view statement, const Target& target) {
    Translator(*this, statement, target).run();
}

std::string Translation::asWritten(std::string_view name) const {
    const std::string wanted = asciiLower(name);
    for (const auto& written : names_)
        if (asciiLower(written) == wanted)
            return written;
    return std::string(name);
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

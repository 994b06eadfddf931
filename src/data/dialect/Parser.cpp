// Reading a statement of the dialect into its tree. Whatever the text holds, the parser
// either gives the tree of one SELECT or throws: a second statement, another kind of
// statement, a comment, a quoted or qualified function name and a nesting too deep for
// the engines are refused here, before any engine sees the text.
#include "Errors.h"
#include "dialect/ExpressionParser.h"
#include "dialect/Safety.h"
#include "dialect/Statement.h"
#include "veltra/Error.h"

#include <algorithm>
#include <array>

namespace veltra::dialect {

namespace {

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

} // namespace

class Parser final : public ExpressionParser {
  public:
    Parser(Statement& out, std::string_view text) : ExpressionParser(out, tokenize(text)) {}

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

    std::unique_ptr<Select> select() override {
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
};

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

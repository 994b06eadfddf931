// Any statement in the dialect, written for both engines and run on a small database, and
// any like pattern matched against any text. No written statement calls a function outside
// the allowed ones, and the file never changes.
#include "FuzzSupport.h"
#include "dialect/Folding.h"
#include "dialect/Safety.h"
#include "sqlite/SqliteDialect.h"
#ifdef VELTRA_POSTGRESQL
#include "postgres/PostgresDialect.h"
#endif
#include "veltra/Error.h"
#include "veltra/data/DataControl.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace {

using namespace veltra;

// What an engine's text may call: the allowed functions, and what the emitters write for
// them (folding, the residual like, Val and cstr written out).
bool mayBeCalled(const std::string& name) {
    static const char* kWritten[] = {"veltra_like", "veltra_fold",    "translate", "cast",
                                     "substring",   "regexp_replace", "coalesce",  "nullif"};
    static const char* kGrammar[] = {"select", "from",    "where",     "and",      "or",   "not",
                                     "in",     "exists",  "on",        "using",    "join", "by",
                                     "having", "between", "when",      "then",     "else", "union",
                                     "all",    "except",  "intersect", "distinct", "is",   "like",
                                     "case",   "as",      "limit",     "offset"};
    return dialect::isAllowedFunction(name) ||
           std::find(std::begin(kWritten), std::end(kWritten), name) != std::end(kWritten) ||
           std::find(std::begin(kGrammar), std::end(kGrammar), name) != std::end(kGrammar);
}

// Whether every call in an engine's text is one that may be: a word followed by "(" outside
// quotes; a quoted name is never called.
bool callsOnlyAllowed(const std::string& sql) {
    for (std::size_t i = 0; i < sql.size();) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const auto close = sql.find(c, i + 1);
            if (close == std::string::npos)
                return false;
            auto after = close + 1;
            while (after < sql.size() && sql[after] == ' ')
                ++after;
            if (c == '"' && after < sql.size() && sql[after] == '(')
                return false;
            i = close + 1;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            const auto start = i;
            while (i < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[i])) ||
                                      sql[i] == '_' || sql[i] == '$'))
                ++i;
            auto after = i;
            while (after < sql.size() && sql[after] == ' ')
                ++after;
            if (after < sql.size() && sql[after] == '(' &&
                !mayBeCalled(dialect::asciiLower(sql.substr(start, i - start))))
                return false;
        } else {
            ++i;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::SmallDatabase database;
    fuzz::Input input(data, size);
    const String pattern = input.text();
    const String text = input.text();
    try {
        dialect::LikePattern like(toUtf8(pattern));
        const bool matches = like.matches(toUtf8(text));
        // A pattern without wildcards is its literal text ([*] and the like stand for one
        // character), which the folded comparison must agree with.
        if (like.isLiteral())
            fuzz::require(matches == (dialect::compareFolded(like.prefix(), toUtf8(text)) == 0),
                          "a literal pattern disagrees with the folded comparison");
    } catch (const std::invalid_argument&) {
    }
    const String statement = fromUtf8(input.rest());
    try {
        const auto parsed = std::make_shared<const dialect::Statement>(toUtf8(statement));
        fuzz::require(callsOnlyAllowed(
                          detail::sqliteTranslation(parsed, [](const std::string&) { return true; })
                              .render()),
                      "the SQLite text calls a function that is not allowed");
#ifdef VELTRA_POSTGRESQL
        static const detail::PostgresCatalog server{
            "", {"nome", "uf"}, {"id", "nome", "uf"}, {{"cidades", "id"}, {"estados", "ctid"}}};
        fuzz::require(callsOnlyAllowed(detail::postgresTranslation(parsed, server).render()),
                      "the PostgreSQL text calls a function that is not allowed");
#endif
    } catch (const Error&) {
    }
    DataControl source;
    source.DatabaseName(fromUtf8(database.path()));
    source.RecordSource(statement);
    try {
        source.Refresh();
        for (std::size_t i = 0; i < 100 && source.rows()->fetch(i); ++i) {
        }
    } catch (const Error&) {
    }
    fuzz::require(database.unchanged(), "the database file changed");
    return 0;
}

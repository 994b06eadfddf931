// Any statement in the dialect, written for both engines and run on a small database, and
// any like pattern matched against any text. No written statement calls a function outside
// the allowed ones, the file never changes, and the first rows read through the file's
// plain index are the first rows of the whole statement, in its order.
#include "FuzzSupport.h"
#include "dialect/Folding.h"
#include "dialect/Safety.h"
#include "sqlite/Connection.h"
#include "sqlite/IndexedFirstRows.h"
#include "sqlite/SqliteDialect.h"
#ifdef VELTRA_POSTGRESQL
#include "postgres/PostgresDialect.h"
#endif
#include "veltra/Error.h"
#include "veltra/data/DataControl.h"

#include <algorithm>
#include <cctype>
#include <optional>
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

// The rows of a statement on the file, each as its values' types and texts; nothing when
// it fails.
std::optional<std::vector<std::string>> rowsOf(detail::SqliteConnection& connection,
                                               const std::string& sql,
                                               const std::vector<std::string>& parameters) {
    try {
        const auto statement = connection.prepare(sql, parameters);
        std::vector<std::string> rows;
        while (sqlite3_step(statement.get()) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(statement.get()); ++c) {
                const auto* text = sqlite3_column_text(statement.get(), c);
                row += std::to_string(sqlite3_column_type(statement.get(), c)) + ":" +
                       (text ? reinterpret_cast<const char*>(text) : "") + "|";
            }
            rows.push_back(std::move(row));
        }
        return rows;
    } catch (const Error&) {
        return std::nullopt;
    }
}

// However few rows are asked for, the rows read through the index begin the whole
// statement's rows, and are all of them when the index says so.
void checkFirstRowsThroughIndex(const std::string& path, const std::string& statement) {
    static detail::SqliteConnection connection(fromUtf8(path), u"");
    std::optional<dialect::Translation> translation;
    try {
        translation.emplace(connection.translate(statement));
    } catch (const Error&) {
        return;
    }
    const auto all = rowsOf(connection, translation->render(), translation->parameters());
    for (const std::size_t rows : {1, 3, 256}) {
        const auto narrowed = detail::narrowThroughIndex(connection, *translation, rows);
        if (!narrowed || !all)
            return;
        const auto first = rowsOf(connection, narrowed->sql, narrowed->parameters);
        fuzz::require(first.has_value(), "the statement read through the index fails");
        fuzz::require(first->size() <= all->size() &&
                          std::equal(first->begin(), first->end(), all->begin()) &&
                          (!narrowed->whole || first->size() == all->size()),
                      "the rows read through the index are not the statement's first rows");
    }
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
    checkFirstRowsThroughIndex(database.path(), toUtf8(statement));
    fuzz::require(database.unchanged(), "the database file changed");
    return 0;
}

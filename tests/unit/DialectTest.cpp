// The dialect: folded comparison, like patterns, Val, the parsed statement with what it may
// call, and its writing for SQLite and PostgreSQL.
#include "dialect/Folding.h"
#include "sqlite/SqliteDialect.h"
#ifdef VELTRA_POSTGRESQL
#include "postgres/PostgresDialect.h"
#endif
#include "veltra/Error.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace veltra::dialect {
namespace {

struct LikeCase {
    const char* pattern;
    const char* text;
    bool matches;
};

void PrintTo(const LikeCase& c, std::ostream* out) {
    *out << "'" << c.text << "' like '" << c.pattern << "'";
}

class Like : public ::testing::TestWithParam<LikeCase> {};

TEST_P(Like, MatchesAsTheDialectDoes) {
    const auto& c = GetParam();
    EXPECT_EQ(LikePattern(c.pattern).matches(c.text), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Like,
    ::testing::Values(
        // Case and accents fold on both sides.
        LikeCase{"sao*", "São Paulo", true}, LikeCase{"SÃO*", "sao paulo", true},
        LikeCase{"sao*", "Assao", false}, LikeCase{"caca*", "Caçapava", true},
        LikeCase{"ÿ", "Y", true}, LikeCase{"œ", "Œ", true},
        // * any run, also none; ? one character; # one digit.
        LikeCase{"*", "", true}, LikeCase{"*paulo", "São Paulo", true},
        LikeCase{"*paulo", "Paulo Afonso", false}, LikeCase{"a*b*c", "aXbYbZc", true},
        LikeCase{"a*b*c", "aXbYbZ", false}, LikeCase{"a?c", "açc", true},
        LikeCase{"a?c", "ac", false}, LikeCase{"a#", "a7", true}, LikeCase{"a#", "ab", false},
        // Classes, ranges, negation, and a bracketed wildcard as itself.
        LikeCase{"[abc]x", "Bx", true}, LikeCase{"[abc]x", "áx", true},
        LikeCase{"[abc]x", "dx", false}, LikeCase{"[a-c]*", "Belo", true},
        LikeCase{"[a-c]*", "Dom", false}, LikeCase{"[!a-c]*", "Dom", true},
        LikeCase{"[!a-c]*", "Ana", false}, LikeCase{"[*]x", "*x", true},
        LikeCase{"[*]x", "ax", false}, LikeCase{"[?]", "?", true}, LikeCase{"[#]", "#", true},
        // % and _ are ordinary characters.
        LikeCase{"100%", "100%", true}, LikeCase{"1%", "100", false}, LikeCase{"a_b", "a_b", true},
        LikeCase{"a_b", "axb", false}));

// What a list draws in bold: the text positions that the pattern's characters took, the
// earliest match after each *, retried when a later part fails.
TEST(LikePatternMatch, GivesThePositionsTheCharactersMatched) {
    using Positions = std::vector<std::size_t>;
    EXPECT_EQ(LikePattern("sao*").matchedPositions(U"São Paulo"), (Positions{0, 1, 2}));
    EXPECT_EQ(LikePattern("*campo*").matchedPositions(U"Abre Campo"), (Positions{5, 6, 7, 8, 9}));
    EXPECT_EQ(LikePattern("a*bc").matchedPositions(U"abXbc"), (Positions{0, 3, 4}));
    EXPECT_EQ(LikePattern("?#[x-z]*").matchedPositions(U"é7Y!"), (Positions{0, 1, 2}));
    EXPECT_EQ(LikePattern("*").matchedPositions(U"abc"), Positions{});
    EXPECT_EQ(LikePattern("*😀*").matchedPositions(U"a😀b"), Positions{1});
    EXPECT_FALSE(LikePattern("sao*").matchedPositions(U"Assao"));
}

TEST(Statement, KeepsTheLikePatternsOfColumns) {
    const Statement t("SELECT Id, Nome FROM Cidades WHERE Cidades.Nome like 'sao*' and "
                      "Sigla not like 'M*' and cstr(Id) like '1*'");
    ASSERT_EQ(t.likes().size(), 1u);
    EXPECT_EQ(t.likes()[0].column.qualifier, "Cidades");
    EXPECT_EQ(t.likes()[0].column.column, "Nome");
    EXPECT_EQ(t.likes()[0].pattern, "sao*");
}

TEST(LikePatternShape, PrefixIsTheFoldedLiteralStart) {
    EXPECT_EQ(LikePattern("São*").prefix(), "sao");
    EXPECT_TRUE(LikePattern("São*").isPrefixOnly());
    EXPECT_FALSE(LikePattern("São*").isLiteral());
    EXPECT_EQ(LikePattern("sa?o*").prefix(), "sa");
    EXPECT_FALSE(LikePattern("sa?o*").isPrefixOnly());
    EXPECT_TRUE(LikePattern("Ana").isLiteral());
    EXPECT_EQ(LikePattern("[*]a*").prefix(), "*a");
    EXPECT_EQ(LikePattern("*a").prefix(), "");
    EXPECT_THROW(LikePattern("[abc"), std::invalid_argument);
}

TEST(FoldedOrder, SortsNamesAsAPersonExpects) {
    std::vector<std::string> names = {"Beto", "Antônio", "Ângela", "ana", "Álvaro", "Ana"};
    std::stable_sort(names.begin(), names.end(),
                     [](const auto& a, const auto& b) { return compareFolded(a, b) < 0; });
    EXPECT_EQ(names,
              (std::vector<std::string>{"Álvaro", "ana", "Ana", "Ângela", "Antônio", "Beto"}));
    EXPECT_EQ(compareFolded("JOSÉ", "jose"), 0);
    EXPECT_LT(compareFolded("Jos", "José"), 0);
    EXPECT_EQ(fold("ÇÃO Ñ"), "cao n");
    EXPECT_EQ(fold("ΆΣΤΥ Ώρας ΪΣ"), "αστυ ωρασ ισ");
    EXPECT_EQ(fold("МИР Ёлка ЯЩИК"), "мир ёлка ящик");
}

TEST(Val, ReadsTheLeadingNumber) {
    using Number = std::variant<std::int64_t, double>;
    EXPECT_EQ(val("12abc"), Number(std::int64_t{12}));
    EXPECT_EQ(val("  3.5"), Number(3.5));
    EXPECT_EQ(val("abc"), Number(std::int64_t{0}));
    EXPECT_EQ(val(""), Number(std::int64_t{0}));
    EXPECT_EQ(val("1 2 3"), Number(std::int64_t{123}));
    EXPECT_EQ(val("-1.5e1x"), Number(-15.0));
    EXPECT_EQ(val(".5"), Number(0.5));
    EXPECT_EQ(val("+7-"), Number(std::int64_t{7}));
}

// The SQLite text of a statement over tables that all have row ids.
std::string sqlite(std::string_view statement) {
    return detail::sqliteTranslation(statement, [](const std::string&) { return true; }).render();
}

int errorOf(std::string_view statement) {
    try {
        Statement{statement};
    } catch (const Error& error) {
        return error.number();
    }
    return 0;
}

TEST(Translation, SearchStatementBecomesAFoldedRangeInATotalOrder) {
    const auto t = detail::sqliteTranslation(
        "SELECT Cidades.Id, Nome FROM Cidades WHERE Nome like 'sao*' ORDER by Nome",
        [](const std::string&) { return true; });
    EXPECT_EQ(t.render(), "SELECT \"Cidades\".\"Id\", \"Nome\" FROM \"Cidades\" WHERE (\"Nome\" >= "
                          "?1 COLLATE veltra_fold AND \"Nome\" < ?2 COLLATE veltra_fold) ORDER BY "
                          "\"Nome\" COLLATE veltra_fold, \"Nome\" COLLATE BINARY, "
                          "\"Cidades\".rowid");
    EXPECT_EQ(t.parameters()[0], "sao");
    ASSERT_EQ(t.tables().size(), 1u);
    EXPECT_EQ(t.tables()[0].name, "Cidades");
    EXPECT_TRUE(t.render({{"cidades", "temp.copy"}})
                    .starts_with("SELECT \"Cidades\".\"Id\", \"Nome\" FROM temp.copy AS "
                                 "\"Cidades\" WHERE"));
}

TEST(Translation, ResidualMatchOnlyForWhatTheRangeCannotDecide) {
    const auto where = [](std::string_view statement) {
        const std::string sql = sqlite(statement);
        return sql.substr(sql.find("WHERE"), sql.find(" ORDER BY") - sql.find("WHERE"));
    };
    EXPECT_EQ(where("SELECT a FROM t WHERE a like 'lui?*sou?a*'"),
              "WHERE (\"a\" >= ?1 COLLATE veltra_fold AND \"a\" < ?2 COLLATE veltra_fold AND "
              "veltra_like(\"a\", ?3))");
    EXPECT_EQ(where("SELECT a FROM t WHERE a like '*paulo*'"), "WHERE (veltra_like(\"a\", ?1))");
    EXPECT_EQ(where("SELECT a FROM t WHERE a like 'Ana'"),
              "WHERE (\"a\" = ?1 COLLATE veltra_fold)");
    EXPECT_EQ(where("SELECT a FROM t WHERE a like '*'"), "WHERE (\"a\" IS NOT NULL)");
    EXPECT_EQ(where("SELECT a FROM t WHERE cstr(a) NOT LIKE 'x*'"),
              "WHERE NOT (cstr(\"a\") >= ?1 COLLATE veltra_fold AND cstr(\"a\") < ?2 COLLATE "
              "veltra_fold)");
}

TEST(Translation, TextsBecomeParametersAndCompareFolded) {
    const auto t = detail::sqliteTranslation(
        R"(SELECT Val("12abc") FROM [Minha Tabela] WHERE cstr(K) = 'mg' AND x <> '')",
        [](const std::string&) { return false; });
    EXPECT_EQ(t.render(), "SELECT val(?1) FROM \"Minha Tabela\" WHERE (cstr(\"K\") = ?2 COLLATE "
                          "veltra_fold) AND (\"x\" <> ?3 COLLATE veltra_fold) ORDER BY \"x\" "
                          "COLLATE veltra_fold, \"x\" COLLATE BINARY");
    EXPECT_EQ(t.parameters(), (std::vector<std::string>{"12abc", "mg", ""}));
    // Same shape, other texts: the same SQLite text.
    EXPECT_EQ(sqlite("SELECT a FROM t WHERE a like 'ab*'"),
              sqlite("SELECT a FROM t WHERE a like 'x*'"));
}

// A group shows its smallest exact text; its column is ordered as the table's, so that the
// folded index still delivers the groups in order. Groups are distinct by their folded
// text, which ends every order.
TEST(Translation, GroupingAndOrderingFoldEveryTerm) {
    EXPECT_EQ(
        sqlite("SELECT 0 as xnadas, Nome FROM T GROUP by Nome ORDER by Nome DESC"),
        "SELECT 0 AS \"xnadas\", min(\"Nome\") AS \"Nome\" FROM \"T\" GROUP BY "
        "\"T\".\"Nome\" COLLATE veltra_fold ORDER BY \"T\".\"Nome\" COLLATE veltra_fold DESC");
    EXPECT_EQ(sqlite("SELECT 0 as xnadas, Nome FROM T GROUP by Nome ORDER by Val(Nome)"),
              "SELECT 0 AS \"xnadas\", min(\"Nome\") AS \"Nome\" FROM \"T\" GROUP BY "
              "\"T\".\"Nome\" COLLATE veltra_fold ORDER BY val(\"Nome\") COLLATE veltra_fold, "
              "\"T\".\"Nome\" COLLATE veltra_fold");
}

// Rows tied under the order come by their folded and exact texts, then by their row ids;
// a statement without an order, by the columns it compares with texts.
TEST(Translation, TiesAreBrokenByTextThenRow) {
    EXPECT_EQ(sqlite("SELECT Id, Nome FROM T ORDER by Val(Nome)"),
              "SELECT \"Id\", \"Nome\" FROM \"T\" ORDER BY val(\"Nome\") COLLATE veltra_fold, "
              "\"Nome\" COLLATE veltra_fold, \"Nome\" COLLATE BINARY, \"T\".rowid");
    EXPECT_EQ(sqlite("SELECT Id, Nome FROM T WHERE Nome = 'Ana'"),
              "SELECT \"Id\", \"Nome\" FROM \"T\" WHERE \"Nome\" = ?1 COLLATE veltra_fold ORDER "
              "BY \"Nome\" COLLATE veltra_fold, \"Nome\" COLLATE BINARY, \"T\".rowid");
    const auto viewOnly = [](const std::string&) { return false; };
    EXPECT_EQ(detail::sqliteTranslation("SELECT * FROM V", viewOnly).render(),
              "SELECT * FROM \"V\"");
    EXPECT_EQ(sqlite("SELECT count(*) FROM T"), "SELECT count(*) FROM \"T\"");
    EXPECT_EQ(sqlite("SELECT DISTINCT Nome FROM T ORDER BY Nome"),
              "SELECT DISTINCT \"Nome\" FROM \"T\" ORDER BY \"Nome\" COLLATE veltra_fold");
}

#ifdef VELTRA_POSTGRESQL
const detail::PostgresCatalog kServer{
    "veltra_fold", {"nome"}, {"id", "nome"}, {{"t", "id"}, {"v", ""}, {"escola.t", "ctid"}}};

std::string postgres(std::string_view statement) {
    return detail::postgresTranslation(std::make_shared<const Statement>(statement), kServer)
        .render();
}

// On PostgreSQL only text folds: a number column orders as numbers and takes a literal it
// is compared with as a number; a grouped column inside an order is its group's smallest
// text.
TEST(Translation, PostgresFoldsTextOnly) {
    const auto t = detail::postgresTranslation(
        std::make_shared<const Statement>("SELECT Id, Nome FROM T WHERE Nome like 'sao*' AND Id "
                                          "> '3' ORDER by Nome"),
        kServer);
    EXPECT_EQ(t.render(),
              "SELECT \"id\", \"nome\" FROM \"t\" WHERE ((veltra_fold(CAST(\"nome\" AS text)) "
              "COLLATE \"C\" >= $1 AND veltra_fold(CAST(\"nome\" AS text)) COLLATE \"C\" < $2)) "
              "AND (\"id\" > $3) ORDER BY veltra_fold(CAST(\"nome\" AS text)) COLLATE \"C\", "
              "\"nome\" COLLATE \"C\", \"t\".\"id\"");
    EXPECT_TRUE(t.parameterIsText(0));
    EXPECT_FALSE(t.parameterIsText(2));
    EXPECT_NE(postgres("SELECT 0 as xnadas, Nome FROM T GROUP by Nome ORDER by Val(Nome)")
                  .find("ORDER BY CASE WHEN (min(\"nome\" COLLATE \"C\")) IS NULL"),
              std::string::npos);
    EXPECT_EQ(postgres("SELECT Nome FROM escola.T ORDER BY Nome"),
              "SELECT \"nome\" FROM \"escola\".\"t\" ORDER BY veltra_fold(CAST(\"nome\" AS text)) "
              "COLLATE \"C\", \"nome\" COLLATE \"C\", \"escola\".\"t\".ctid");
    EXPECT_EQ(postgres("SELECT Nome FROM V"), "SELECT \"nome\" FROM \"v\"");
}

// Only the database's own tables, and through a dot only their columns: PostgreSQL would
// read table.function as a call of the function on the row.
TEST(Translation, PostgresReadsOnlyTheDatabasesTablesAndColumns) {
    const auto numberOf = [](std::string_view statement) {
        try {
            postgres(statement);
        } catch (const Error& error) {
            return error.number();
        }
        return 0;
    };
    EXPECT_EQ(numberOf("SELECT usename FROM pg_user"), ErrorNumber::TableNotFound);
    EXPECT_EQ(numberOf("SELECT * FROM pg_catalog.pg_settings"), ErrorNumber::TableNotFound);
    EXPECT_EQ(numberOf("SELECT t.to_json FROM T"), ErrorNumber::UnknownColumn);
    EXPECT_EQ(numberOf("SELECT s.n FROM (SELECT Nome AS n FROM T) s"), 0);
}
#endif

// Refused by allowing: a statement calls only the dialect's functions and a few built-ins,
// whatever the spelling of anything else.
TEST(Statement, CallsOnlyTheAllowedFunctions) {
    for (const char* statement : {
             "SELECT load_extension('x')",
             "SELECT set_config('statement_timeout', '0', false)",
             "SELECT [set_config]('statement_timeout', '0', false)",
             "SELECT `pg_terminate_backend`(1)",
             "SELECT \"set_config\"('statement_timeout', '0', false)",
             "SELECT 1 FROM t WHERE a = U&\"set_config\"('a', 'b', false)",
             "SELECT pg_catalog.set_config('a', 'b', false)",
             "SELECT [pg_catalog].[pg_sleep](10)",
             "SELECT SeT_CoNfIg('a', 'b', false)",
             "SELECT set_config/* x */('a', 'b', false)",
             "SELECT query_to_xml('select 1', true, true, '')",
             "SELECT database_to_xml(true, true, '')",
             "SELECT * FROM t WHERE a IN (SELECT ts_stat('select 1'))",
             "SELECT Nz(Nome) FROM t",
             "SELECT Val(Nome, 2) FROM t",
             "SELECT lower(*) FROM t",
         })
        EXPECT_EQ(errorOf(statement), ErrorNumber::UnknownFunction) << statement;
    for (const char* statement :
         {"SELECT Val(a), cstr(b), count(*), count(DISTINCT a), min(a), MAX(a), sum(a), avg(a)",
          "SELECT abs(a), lower(a), upper(a), length(a), trim(a), ltrim(a), rtrim(a)",
          "SELECT substr(a, 1, 2), replace(a, 'x', 'y'), coalesce(a, b, 'c'), nullif(a, '')"})
        EXPECT_EQ(errorOf(statement), 0) << statement;
}

TEST(Statement, HasNoComments) {
    EXPECT_EQ(sqlite("SELECT 1 -- x"), "SELECT 1 - (-\"x\")");
    EXPECT_EQ(errorOf("SELECT 4 /* x */"), ErrorNumber::SyntaxError);
    EXPECT_EQ(sqlite("SELECT 8-2, 8 - -2"), "SELECT 8 - 2, 8 - (-2)");
}

TEST(Statement, RecordsTablesAliasesAndSearchedColumns) {
    const Statement t("SELECT c.Nome FROM Cidades c, Estados AS e WHERE c.Nome like 'a*' AND "
                      "e.Sigla = 'MG' ORDER BY c.Nome");
    ASSERT_EQ(t.tables().size(), 2u);
    EXPECT_EQ(t.tables()[0].alias, "c");
    EXPECT_EQ(t.tables()[1].alias, "e");
    ASSERT_EQ(t.searchedColumns().size(), 3u);
    EXPECT_EQ(t.searchedColumns()[1].qualifier, "e");
    EXPECT_EQ(t.searchedColumns()[1].column, "Sigla");
}

TEST(Statement, RefusesWhatTheDialectCannotRead) {
    EXPECT_EQ(errorOf("SELECT 1; DROP TABLE t"), ErrorNumber::TextAfterStatement);
    EXPECT_EQ(errorOf("SELECT 1 ;  ; "), 0);
    EXPECT_EQ(errorOf("SELECT 'abc"), ErrorNumber::SyntaxError);
    EXPECT_EQ(errorOf("SELECT a FROM t WHERE a = ?"), ErrorNumber::SyntaxError);
    EXPECT_EQ(errorOf("SELECT a FROM t WHERE a like '[ab'"), ErrorNumber::SyntaxError);
    EXPECT_EQ(errorOf("SELECT a FROM t WHERE a like b"), ErrorNumber::SyntaxError);
    EXPECT_EQ(errorOf("SELECT 1abc"), ErrorNumber::SyntaxError);
    EXPECT_EQ(errorOf("SELECT a FROM generate_series(1, 10)"), ErrorNumber::SyntaxError);
    EXPECT_EQ(errorOf("SELECT [a\x01] FROM t"), ErrorNumber::SyntaxError);
    for (const char* writes : {"DELETE FROM t", "WITH d AS (DELETE FROM t RETURNING *) SELECT 1",
                               "SELECT * FROM t FOR UPDATE", "PRAGMA user_version = 1",
                               "ATTACH 'x.db' AS x", "COPY t TO '/tmp/x'", "SET a = 1"})
        EXPECT_EQ(errorOf(writes), ErrorNumber::ReadOnly) << writes;
    // A statement hidden in a text stays a text.
    EXPECT_EQ(errorOf("SELECT a FROM t WHERE a like 'x''; DROP TABLE t; --*'"), 0);
}

// Nesting and long chains end in a syntax error, not in the stack's end.
TEST(Statement, RefusesWhatWouldNestTooDeep) {
    EXPECT_EQ(errorOf("SELECT " + std::string(100'000, '(') + "1" + std::string(100'000, ')')),
              ErrorNumber::SyntaxError);
    EXPECT_EQ(errorOf("SELECT " + std::string(100'000, '-') + "1"), ErrorNumber::SyntaxError);
    std::string chain = "SELECT 1";
    for (int i = 0; i < 20'000; ++i)
        chain += " + 1";
    EXPECT_EQ(errorOf(chain), ErrorNumber::SyntaxError);
    std::string wide = "SELECT a FROM t WHERE a IN (1";
    for (int i = 0; i < 20'000; ++i)
        wide += ", 1";
    EXPECT_EQ(errorOf(wide + ")"), 0);
}

} // namespace
} // namespace veltra::dialect

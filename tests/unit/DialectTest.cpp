// The dialect: folded comparison, like patterns, Val, and the translation to SQLite.
#include "data/Dialect.h"

#include "data/Folding.h"
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

TEST(Translation, KeepsTheLikePatternsOfColumns) {
    const Translation t("SELECT Id, Nome FROM Cidades WHERE Cidades.Nome like 'sao*' and "
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

std::string sql(std::string_view statement) {
    return Translation(statement).render();
}

TEST(Translation, SearchStatementBecomesAFoldedRange) {
    const Translation t(
        "SELECT Cidades.Id, Nome FROM Cidades WHERE Nome like 'sao*' ORDER by Nome");
    EXPECT_EQ(t.render(), "SELECT Cidades.Id, Nome FROM Cidades WHERE (Nome >= ?1 COLLATE "
                          "veltra_fold AND Nome < ?2 COLLATE veltra_fold) ORDER by Nome COLLATE "
                          "veltra_fold");
    EXPECT_EQ(t.parameters()[0], "sao");
    ASSERT_EQ(t.tables().size(), 1u);
    EXPECT_EQ(t.tables()[0].name, "Cidades");
    EXPECT_EQ(t.render({{"cidades", "temp.copy"}}).substr(0, 55),
              "SELECT Cidades.Id, Nome FROM temp.copy AS \"Cidades\" WHE");
}

TEST(Translation, ResidualMatchOnlyForWhatTheRangeCannotDecide) {
    EXPECT_EQ(sql("SELECT a FROM t WHERE a like 'lui?*sou?a*'"),
              "SELECT a FROM t WHERE (a >= ?1 COLLATE veltra_fold AND a < ?2 COLLATE veltra_fold "
              "AND veltra_like(a, ?3))");
    EXPECT_EQ(sql("SELECT a FROM t WHERE a like '*paulo*'"),
              "SELECT a FROM t WHERE (veltra_like(a, ?1))");
    EXPECT_EQ(sql("SELECT a FROM t WHERE a like 'Ana'"),
              "SELECT a FROM t WHERE (a = ?1 COLLATE veltra_fold)");
    EXPECT_EQ(sql("SELECT a FROM t WHERE cstr(a) NOT LIKE 'x*'"),
              "SELECT a FROM t WHERE NOT (cstr(a) >= ?1 COLLATE veltra_fold AND cstr(a) < ?2 "
              "COLLATE veltra_fold)");
}

TEST(Translation, TextsBecomeParametersAndCompareFolded) {
    const Translation t(
        R"(SELECT Val("12abc") FROM [Minha Tabela] WHERE cstr(K) = 'mg' AND x <> '')");
    EXPECT_EQ(t.render(), "SELECT Val(?1) FROM \"Minha Tabela\" WHERE cstr(K) = ?2 COLLATE "
                          "veltra_fold AND x <> ?3 COLLATE veltra_fold");
    EXPECT_EQ(t.parameters(), (std::vector<std::string>{"12abc", "mg", ""}));
    // Same shape, other texts: the same SQLite text.
    EXPECT_EQ(sql("SELECT a FROM t WHERE a like 'ab*'"), sql("SELECT a FROM t WHERE a like 'x*'"));
}

// A group shows its smallest exact text; its column is ordered as the table's, so that the
// folded index still delivers the groups in order.
TEST(Translation, GroupingAndOrderingFoldEveryTerm) {
    EXPECT_EQ(sql("SELECT 0 as xnadas, Nome FROM T GROUP by Nome ORDER by Nome DESC, Val(Nome)"),
              "SELECT 0 as xnadas, min(Nome) AS Nome FROM T GROUP by \"T\".Nome COLLATE "
              "veltra_fold ORDER by \"T\".Nome  COLLATE veltra_fold DESC, Val(Nome) COLLATE "
              "veltra_fold");
}

// On PostgreSQL only text folds: a number column orders as numbers and takes a literal it
// is compared with as a number.
TEST(Translation, PostgresFoldsTextOnly) {
    const Target server{Target::Engine::PostgreSQL, "veltra_fold", {"nome"}};
    const Translation t("SELECT Id, Nome FROM T WHERE Nome like 'sao*' AND Id > '3' "
                        "ORDER by Nome, Id",
                        server);
    EXPECT_EQ(t.render(), "SELECT Id, Nome FROM T WHERE (veltra_fold(CAST(Nome AS text)) "
                          "COLLATE \"C\" >= $1 AND veltra_fold(CAST(Nome AS text)) COLLATE \"C\" "
                          "< $2) AND Id > $3 ORDER by veltra_fold(CAST(Nome AS text)) COLLATE "
                          "\"C\", Id");
    EXPECT_TRUE(t.parameterIsText(0));
    EXPECT_FALSE(t.parameterIsText(2));
    const Translation grouped("SELECT 0 as xnadas, Nome FROM T GROUP by Nome ORDER by Nome",
                              server);
    EXPECT_EQ(grouped.render(), "SELECT 0 as xnadas, min(Nome COLLATE \"C\") AS Nome FROM T "
                                "GROUP by veltra_fold(CAST(Nome AS text)) COLLATE \"C\" ORDER by "
                                "veltra_fold(CAST(Nome AS text)) COLLATE \"C\"");
}

TEST(Translation, RefusesFunctionsThatReachOutside) {
    for (const char* statement : {"SELECT load_extension('x')", "SELECT pg_read_file('/etc')",
                                  "SELECT set_config('statement_timeout', '0', false)"}) {
        try {
            (void)Translation(statement);
            ADD_FAILURE() << statement;
        } catch (const veltra::Error& error) {
            EXPECT_EQ(error.number(), 3085) << statement;
        }
    }
}

TEST(Translation, HasNoComments) {
    EXPECT_EQ(sql("SELECT 1 -- x").find("--"), std::string::npos);
    EXPECT_EQ(sql("SELECT 4 /* x */").find("/*"), std::string::npos);
    EXPECT_EQ(sql("SELECT 8-2"), "SELECT 8- 2");
}

TEST(Translation, RecordsTablesAliasesAndSearchedColumns) {
    const Translation t("SELECT c.Nome FROM Cidades c, Estados AS e WHERE c.Nome like 'a*' AND "
                        "e.Sigla = 'MG' ORDER BY c.Nome");
    ASSERT_EQ(t.tables().size(), 2u);
    EXPECT_EQ(t.tables()[0].alias, "c");
    EXPECT_EQ(t.tables()[1].alias, "e");
    ASSERT_EQ(t.searchedColumns().size(), 3u);
    EXPECT_EQ(t.searchedColumns()[1].qualifier, "e");
    EXPECT_EQ(t.searchedColumns()[1].column, "Sigla");
}

TEST(Translation, RefusesWhatTheDialectCannotRead) {
    const auto number = [](std::string_view statement) {
        try {
            Translation{statement};
        } catch (const Error& error) {
            return error.number();
        }
        return 0;
    };
    EXPECT_EQ(number("SELECT 1; DROP TABLE t"), ErrorNumber::TextAfterStatement);
    EXPECT_EQ(number("SELECT 1 ;  ; "), 0);
    EXPECT_EQ(number("SELECT 'abc"), ErrorNumber::SyntaxError);
    EXPECT_EQ(number("SELECT a FROM t WHERE a = ?"), ErrorNumber::SyntaxError);
    EXPECT_EQ(number("SELECT a FROM t WHERE a like '[ab'"), ErrorNumber::SyntaxError);
    EXPECT_EQ(number("SELECT a FROM t WHERE a like b"), ErrorNumber::SyntaxError);
    // A statement hidden in a text stays a text.
    EXPECT_EQ(number("SELECT a FROM t WHERE a like 'x''; DROP TABLE t; --*'"), 0);
}

} // namespace
} // namespace veltra::dialect

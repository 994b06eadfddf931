// The statements given to the data source and the search pattern, fragment by fragment.
#include "search/Composition.h"

#include "veltra/Text.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

QueryInputs cidades() {
    QueryInputs in;
    in.listField = u"Nome";
    in.boundColumn = u"Id";
    in.table = u"Cidades";
    return in;
}

TEST(Composition, WorkedExampleStatements) {
    const QueryInputs in = cidades();
    EXPECT_EQ(searchStatement(in, u"sao"),
              u"SELECT Cidades.Id, Nome FROM Cidades WHERE Nome like 'sao*' ORDER by Nome");
    EXPECT_EQ(fullListStatement(in),
              u"SELECT Cidades.Id, Nome FROM Cidades WHERE Nome <> '' ORDER by Nome");
    EXPECT_EQ(exactTextStatement(in, u"Belo Horizonte"),
              u"SELECT Id, Nome FROM Cidades WHERE Nome = 'Belo Horizonte' and Nome <> ''");
    EXPECT_EQ(tableStatement(u"Clientes"), u"SELECT * FROM Clientes");
}

TEST(Composition, PlaceholderKeyGivesConstantKeyAndGroupsEqualNames) {
    QueryInputs in = cidades();
    in.boundColumn = u"xnadas";
    EXPECT_EQ(searchStatement(in, u"sao"), u"SELECT 0 as xnadas, Nome FROM Cidades WHERE Nome "
                                           u"like 'sao*' GROUP by Nome ORDER by Nome");
    EXPECT_EQ(fullListStatement(in), u"SELECT 0 as xnadas, Nome FROM Cidades WHERE Nome <> '' "
                                     u"GROUP by Nome ORDER by Nome");
    // The exact-text statement names the key column as it stands, placeholder or not.
    EXPECT_EQ(exactTextStatement(in, u"x"),
              u"SELECT xnadas, Nome FROM Cidades WHERE Nome = 'x' and Nome <> ''");
}

TEST(Composition, PlaceholderIsCaseSensitive) {
    QueryInputs in = cidades();
    in.boundColumn = u"Xnadas";
    EXPECT_EQ(searchStatement(in, u"a"),
              u"SELECT Cidades.Xnadas, Nome FROM Cidades WHERE Nome like 'a*' ORDER by Nome");
}

TEST(Composition, AuxiliaryFilterComesBeforeJoinAndGrouping) {
    QueryInputs in = cidades();
    in.auxTable = u"Estados";
    in.auxColumn = u"Estados.Sigla";
    in.auxValue = u"MG";
    EXPECT_EQ(searchStatement(in, u"sao"),
              u"SELECT Cidades.Id, Nome FROM Cidades, Estados WHERE Nome like 'sao*' and "
              u"cstr(Estados.Sigla) = 'MG' and Estados.Id = Cidades.Id ORDER by Nome");
    in.boundColumn = u"xnadas";
    EXPECT_EQ(fullListStatement(in),
              u"SELECT 0 as xnadas, Nome FROM Cidades, Estados WHERE Nome <> '' and "
              u"cstr(Estados.Sigla) = 'MG' and Estados.xnadas = Cidades.xnadas GROUP by Nome "
              u"ORDER by Nome");
}

TEST(Composition, AuxiliaryTableWithoutColumnOnlyExtendsFrom) {
    QueryInputs in = cidades();
    in.auxTable = u"Estados";
    EXPECT_EQ(searchStatement(in, u"a"),
              u"SELECT Cidades.Id, Nome FROM Cidades, Estados WHERE Nome like 'a*' ORDER by Nome");
}

TEST(Composition, AuxiliaryColumnWithoutTableFiltersWithoutJoin) {
    QueryInputs in = cidades();
    in.auxColumn = u"Uf";
    in.auxValue = u"SP";
    EXPECT_EQ(fullListStatement(in), u"SELECT Cidades.Id, Nome FROM Cidades WHERE Nome <> '' and "
                                     u"cstr(Uf) = 'SP' ORDER by Nome");
}

TEST(Composition, NumericOrderAppliesToListStatementsOnly) {
    QueryInputs in = cidades();
    in.numericOrder = true;
    EXPECT_TRUE(searchStatement(in, u"1").ends_with(u" ORDER by Val(Nome)"));
    EXPECT_TRUE(fullListStatement(in).ends_with(u" ORDER by Val(Nome)"));
    EXPECT_EQ(exactTextStatement(in, u"1").find(u"ORDER"), String::npos);
}

TEST(Composition, TextsAreUsedUnescaped) {
    const QueryInputs in = cidades();
    EXPECT_EQ(searchStatement(in, searchPattern(u"d'a", false)),
              u"SELECT Cidades.Id, Nome FROM Cidades WHERE Nome like 'd'a*' ORDER by Nome");
}

struct PatternCase {
    const char16_t* text;
    bool superPesquisa;
    const char16_t* pattern;
};

void PrintTo(const PatternCase& c, std::ostream* out) {
    *out << toUtf8(c.text) << (c.superPesquisa ? " (SuperPesquisa)" : "");
}

class SearchPattern : public ::testing::TestWithParam<PatternCase> {};

TEST_P(SearchPattern, MakesPatternFromText) {
    const auto& c = GetParam();
    EXPECT_EQ(searchPattern(c.text, c.superPesquisa), c.pattern);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SearchPattern,
    ::testing::Values(
        // Leading spaces search anywhere; nothing else changes without SuperPesquisa.
        PatternCase{u"sao", false, u"sao"}, PatternCase{u" ", false, u"*"},
        PatternCase{u"   paulo", false, u"*paulo"},
        PatternCase{u"sao  paulo ", false, u"sao  paulo "},
        PatternCase{u"luiz souza", false, u"luiz souza"}, PatternCase{u"a*b?", false, u"a*b?"},
        // SuperPesquisa: z and s inside words, v and w at word starts, every y, then spaces.
        PatternCase{u"luiz souza", true, u"lui?*sou?a"}, PatternCase{u"zeze", true, u"ze?e"},
        PatternCase{u"ss", true, u"s?"}, PatternCase{u"yara", true, u"?ara"},
        PatternCase{u"vagner", true, u"?agner"}, PatternCase{u"maria silva", true, u"maria*silva"},
        PatternCase{u"walter vieira", true, u"?alter*?ieira"}, PatternCase{u"ZEZE", true, u"ZE?E"},
        PatternCase{u"sss", true, u"s??"},
        // After a leading space the asterisk starts the word.
        PatternCase{u" vera", true, u"*?era"}, PatternCase{u"a*sa", true, u"a*sa"},
        PatternCase{u"", true, u""}));

} // namespace
} // namespace veltra

// Name capitalisation: the worked examples, the separators and the focus-dependent spaces.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

struct NameCase {
    const char16_t* input;
    bool focused;
    const char16_t* result;
};

void PrintTo(const NameCase& c, std::ostream* out) {
    *out << '"' << toUtf8(c.input) << '"' << (c.focused ? " focused" : "");
}

class Capitalisation : public ::testing::TestWithParam<NameCase> {
  protected:
    testing::RecordedForm recorded;
};

TEST_P(Capitalisation, WritesNamesThePortugueseWay) {
    const auto& c = GetParam();
    if (c.focused)
        recorded.form.comboBox().focusIn();
    EXPECT_EQ(recorded.form.control().ConverterLetraCapital(c.input), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, Capitalisation,
    ::testing::Values(NameCase{u"MARIA DA SILVA", false, u"Maria da Silva"},
                      NameCase{u"josé dos santos", false, u"José dos Santos"},
                      NameCase{u"ana-maria de souza", false, u"Ana-Maria de Souza"},
                      NameCase{u"MARIA.DA.SILVA", false, u"Maria.da.Silva"},
                      NameCase{u"abc -def", false, u"Abc -Def"},
                      NameCase{u"-ana maria-jose", false, u"-ana Maria-jose"},
                      NameCase{u"de", false, u"De"},
                      NameCase{u"joão  e   maria", false, u"João  e   Maria"},
                      NameCase{u"maria ", true, u"Maria "}, NameCase{u"maria  ", true, u"Maria  "},
                      NameCase{u"  maria silva  ", false, u"Maria Silva"},
                      NameCase{u"  maria silva  ", true, u"Maria Silva  "}));

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, Capitalisation,
    ::testing::Values(
        NameCase{u"", false, u""}, NameCase{u"   ", true, u""}, NameCase{u"DOS", false, u"Dos"},
        NameCase{u"de souza", false, u"de Souza"}, NameCase{u"(ANA maria", false, u"(ana Maria"},
        NameCase{u"ÉDEN ÇARÁ", false, u"Éden Çará"},
        // Every kind of separator goes back to its place, line feeds included.
        NameCase{u"ANA\nMARIA\nDA SILVA", false, u"Ana\nMaria\nda Silva"},
        NameCase{u"rua 7/a-b.c", false, u"Rua 7/A-B.C"},
        // A text that begins with a hyphen keeps all its hyphens inside the words.
        NameCase{u"-ana-maria-jose", false, u"-ana-maria-jose"},
        NameCase{u"-ana-maria jose", false, u"-ana-maria Jose"},
        // Leading spaces are dropped in both modes; a focused text keeps exactly its
        // trailing spaces and gets none added.
        NameCase{u"  maria", true, u"Maria"}, NameCase{u"maria silva", true, u"Maria Silva"},
        // Leading spaces before a separator: each separator stays on its own character.
        NameCase{u" a-b", false, u"A-B"}, NameCase{u"  ana-maria silva", false, u"Ana-Maria Silva"},
        NameCase{u" -a-b", false, u"-A-B"},
        // Separators and spaces only: the separators stay (this once crashed).
        NameCase{u" -- ", false, u"--"}));

TEST(CapitalisationArguments, NullAndNumbers) {
    testing::RecordedForm recorded;
    auto& control = recorded.form.control();
    EXPECT_EQ(control.ConverterLetraCapital(Variant(Null{})), u"");
    EXPECT_EQ(control.ConverterLetraCapital(Variant(123)), u"123");
    EXPECT_EQ(control.ConverterLetraCapital(Variant(2.5)), u"2.5");
}

} // namespace
} // namespace veltra

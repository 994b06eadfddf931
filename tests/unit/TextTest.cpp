// Character codes, case mapping, UTF-8 conversion and value conversions.
#include "veltra/Text.h"

#include "veltra/Error.h"
#include "veltra/headless/Headless.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

TEST(Windows1252, CodesAndCharactersMapBothWays) {
    EXPECT_EQ(characterOfCode(233), u'é');
    EXPECT_EQ(characterOfCode(128), u'€');
    EXPECT_EQ(characterOfCode(159), u'Ÿ');
    EXPECT_EQ(characterOfCode(129), char16_t{0x81}); // unassigned: the C1 code itself
    EXPECT_EQ(codeOfCharacter(u'€'), 128);
    EXPECT_EQ(codeOfCharacter(u'ç'), 231);
    EXPECT_EQ(codeOfCharacter(u'Ð'), 208);
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(codeOfCharacter(characterOfCode(static_cast<Integer>(code))), code);
    // Outside the code page a key carries its 16-bit code as a signed number.
    EXPECT_EQ(codeOfCharacter(u'Ж'), 0x0416);
    EXPECT_EQ(codeOfCharacter(u'\xFFFD'), -3);
    EXPECT_EQ(characterOfCode(-3), u'\xFFFD');
    EXPECT_FALSE(isWindows1252(u'Ж'));
    EXPECT_TRUE(isWindows1252(u'œ'));
}

TEST(Windows1252, CaseMappingCoversAccentedLetters) {
    EXPECT_EQ(upperCase(u"joão çé ÿ œ š ž"), u"JOÃO ÇÉ Ÿ Œ Š Ž");
    EXPECT_EQ(lowerCase(u"JOÃO ÇÉ Ÿ Œ Š Ž"), u"joão çé ÿ œ š ž");
    // Not letters, or without a Windows-1252 pair: unchanged.
    EXPECT_EQ(upperCase(u"ß×÷µ1-"), u"ß×÷µ1-");
    EXPECT_EQ(lowerCase(u"×÷Ж"), u"×÷Ж");
}

TEST(Utf8, RoundTripsAndReplacesWhatCannotBeEncoded) {
    const String text = u"São Paulo – 漢字 \U0001F600";
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(u"ã"), "\xC3\xA3");
    EXPECT_EQ(toUtf8(String(1, char16_t{0xD800})), "\xEF\xBF\xBD");
    EXPECT_EQ(fromUtf8("a\xC3"), u"a\xFFFD");
    EXPECT_EQ(fromUtf8("\xC0\xAF"), u"\xFFFD");     // overlong
    EXPECT_EQ(fromUtf8("\xED\xA0\x80"), u"\xFFFD"); // encoded surrogate
}

TEST(LeadingCharacters, NeverSplitASurrogatePair) {
    EXPECT_EQ(leadingCharacters(u"abc", 2), u"ab");
    EXPECT_EQ(leadingCharacters(u"abc", 9), u"abc");
    EXPECT_EQ(leadingCharacters(u"a\U0001F600b", 2), u"a");
    EXPECT_EQ(leadingCharacters(u"a\U0001F600b", 3), u"a\U0001F600");
}

TEST(TrimSpaces, RemovesOnlyTheSpaceCharacter) {
    EXPECT_EQ(trimSpaces(u"  a b  "), u"a b");
    EXPECT_EQ(trimSpaces(u"\ta\t"), u"\ta\t");
    EXPECT_EQ(trimSpaces(u"   "), u"");
}

TEST(VariantConversion, FollowsTheHostsRules) {
    EXPECT_EQ(Variant(123).toText(), u"123");
    EXPECT_EQ(Variant(3.5).toText(), u"3.5");
    EXPECT_EQ(Variant().toText(), u"");
    EXPECT_EQ(Variant(u" 42 ").toInteger(), 42);
    EXPECT_EQ(Variant(2.5).toInteger(), 2); // half to even
    EXPECT_EQ(Variant(true).toInteger(), -1);
    EXPECT_TRUE(Variant(u"True").toBoolean());
    EXPECT_TRUE(Variant(1).toBoolean());
    const auto number = [](auto f) {
        try {
            f();
        } catch (const Error& error) {
            return error.number();
        }
        return 0;
    };
    EXPECT_EQ(number([] { Variant(Null{}).toText(); }), ErrorNumber::InvalidUseOfNull);
    EXPECT_EQ(number([] { Variant(40000).toInteger(); }), ErrorNumber::Overflow);
    EXPECT_EQ(number([] { Variant(u"abc").toInteger(); }), ErrorNumber::TypeMismatch);
    EXPECT_EQ(number([] { Variant(u"x").toFont(); }), ErrorNumber::TypeMismatch);
}

TEST(TranscriptValues, PrintInTheirFixedForms) {
    using namespace headless;
    EXPECT_EQ(quotedText(u"a\"b\\c\r\n\t"), R"("a\"b\\c\r\n\t")");
    EXPECT_EQ(formatValue(Variant(Null{})), "Null");
    EXPECT_EQ(formatValue(Variant(2147483653u)), "2147483653");
    EXPECT_EQ(formatValue(Variant(8.25)), "8.25");
    EXPECT_EQ(formatValue(Variant()), "Empty");
    EXPECT_EQ(formatFont(Font::make(u"Tahoma", 8.25f, true, true)),
              "Font(Tahoma 8.25 bold italic)");
}

TEST(TypedKeys, UseTheUsLayoutAndBaseLettersForAccents) {
    using veltra::keyOfCharacter;
    EXPECT_EQ(keyOfCharacter(u'a').keyCode, 65);
    EXPECT_EQ(keyOfCharacter(u'A').shift, 1);
    EXPECT_EQ(keyOfCharacter(u'ã').keyCode, 65);
    EXPECT_EQ(keyOfCharacter(u'É').shift, 1);
    EXPECT_EQ(keyOfCharacter(u'ç').keyCode, 186);
    EXPECT_EQ(keyOfCharacter(u'*').keyCode, 56);
    EXPECT_EQ(keyOfCharacter(u'?').keyCode, 191);
    EXPECT_EQ(keyOfCharacter(u'\'').keyCode, 222);
    EXPECT_EQ(keyOfCharacter(u'Ж').keyCode, 0);
}

TEST(HeadlessComboHeight, FollowsTheFontSizeBands) {
    using headless::comboHeightForFontSize;
    EXPECT_EQ(comboHeightForFontSize(8.25f), 315);
    EXPECT_EQ(comboHeightForFontSize(9), 330);
    EXPECT_EQ(comboHeightForFontSize(13), 400);
    EXPECT_EQ(comboHeightForFontSize(36), 860);
    EXPECT_EQ(comboHeightForFontSize(100), 1470);
}

} // namespace
} // namespace veltra

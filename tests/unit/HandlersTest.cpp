// Handlers where scenarios cannot reach: the nesting of the text corrections, a focus
// colour set by the host, the list closed by Esc.
#include "TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace veltra {
namespace {

// Only a restored form can have both case options on; the handler must still end, with
// the text in upper case and the caret where the user was typing.
TEST(TextChange, BothCaseOptionsEndInUpperCase) {
    testing::RecordedForm recorded;
    testing::MemoryBag bag;
    bag.values[u"sSempreMaiusculas"] = true;
    bag.values[u"sLetraCapital"] = true;
    auto& control = recorded.form.control();
    control.ReadProperties(bag);
    ASSERT_TRUE(control.sSempreMaiusculas());
    ASSERT_TRUE(control.sLetraCapital());
    auto& box = recorded.form.comboBox();
    box.Text(u"");
    box.focusIn();
    recorded.take();
    for (char16_t c : std::u16string_view(u"maria da silva"))
        box.typeCharacter(c);
    EXPECT_EQ(box.Text(), u"MARIA DA SILVA");
    EXPECT_EQ(box.SelStart(), 14);
    box.select(5, 0);
    box.typeCharacter(u'x');
    EXPECT_EQ(box.Text(), u"MARIAX DA SILVA");
    EXPECT_EQ(box.SelStart(), 6);
}

// One run per correction: the nested run that a correction causes finds nothing to fix.
TEST(TextChange, EachCorrectionIsWrittenOnce) {
    testing::RecordedForm recorded;
    auto& control = recorded.form.control();
    control.sLetraCapital(true);
    control.sListaSoResultado(true); // no search on key release: only the typed changes
    auto& box = recorded.form.comboBox();
    box.Text(u"");
    box.focusIn();
    recorded.take();
    for (char16_t c : std::u16string_view(u"ana"))
        box.typeCharacter(c);
    int changes = 0;
    for (const auto& line : recorded.take())
        changes += line == "event Change";
    EXPECT_EQ(box.Text(), u"Ana");
    EXPECT_EQ(changes, 4); // three typed characters and one capitalisation
}

// Esc closes the open list as a desktop combo box does; the text stays as it is.
TEST(HeadlessComboBox, EscClosesTheList) {
    testing::RecordedForm recorded;
    recorded.form.control().sListaSoResultado(true);
    auto& box = recorded.form.comboBox();
    box.Text(u"");
    box.focusIn();
    recorded.form.type(u"a");
    ASSERT_TRUE(box.listOpen());
    recorded.form.input([&] {
        box.pressKey({Key::Esc, 0, false, 0});
        box.pressKey({Key::Esc, 0, true, 0});
    });
    EXPECT_FALSE(box.listOpen());
    EXPECT_EQ(box.Text(), u"a");
}

// Each nested run of the handler removes one trailing space and reports the change; a
// hostile paste of half a million spaces ends in one space too, without nesting the
// handler once per space (which would overflow the stack).
TEST(TextChange, TrailingSpacesGoOneANestedRunUpToABound) {
    testing::RecordedForm recorded;
    recorded.form.control().sListaSoResultado(true);
    auto& box = recorded.form.comboBox();
    box.focusIn();
    const auto changesOfPaste = [&](const String& text) {
        recorded.take();
        box.select(0, static_cast<Long>(box.Text().size()));
        recorded.form.input([&] { box.paste(text); });
        int changes = 0;
        for (const auto& line : recorded.take())
            changes += line == "event Change";
        return changes;
    };
    EXPECT_EQ(changesOfPaste(u"ab   "), 3); // the paste and two corrections
    EXPECT_EQ(box.Text(), u"ab ");
    const int changes = changesOfPaste(u"ana" + String(500'000, u' '));
    EXPECT_EQ(box.Text(), u"ana ");
    EXPECT_GT(changes, 3);
    EXPECT_LT(changes, 1000);
}

// Text pasted around the keystroke filter: the search fails or reads, the file's bytes
// never change, and a long text still searches.
TEST(HostileInput, PastedStatementsNeverChangeTheFile) {
    testing::ScratchDatabase db(testing::kCitiesSql);
    testing::RecordedForm recorded;
    auto& control = recorded.form.control();
    control.x1_DatabaseName(db.path());
    control.x2_NomeTabela(u"Cidades");
    control.x3_ListField(u"Nome");
    control.x4_BoundColumn(u"Id");
    const std::string before = db.bytes();
    auto& box = recorded.form.comboBox();
    box.focusIn();
    for (const char16_t* text :
         {u"x'; DROP TABLE Cidades; --", u"'); DELETE FROM Cidades; SELECT ('",
          u"a' UNION SELECT 1, sql FROM sqlite_master WHERE 'x' like '",
          u"'; ATTACH 'outro.db' AS o; --", u"'; PRAGMA user_version = 9; --", u"\0'\x00",
          u"S\u00E3o\u0001\u001b[31m\uFFFF"}) {
        box.select(0, static_cast<Long>(box.Text().size()));
        recorded.form.input([&] { box.paste(text); });
    }
    // Halves of surrogate pairs, which no UTF-8 can carry.
    for (const String& text :
         {String(u"a") + char16_t(0xD800) + u"b'", String(1, char16_t(0xDC00))}) {
        box.select(0, static_cast<Long>(box.Text().size()));
        recorded.form.input([&] { box.paste(text); });
    }
    EXPECT_EQ(db.bytes(), before);
    EXPECT_NE(std::find(recorded.lines.begin(), recorded.lines.end(), "refresh Data1 failed"),
              recorded.lines.end());

    const String longText(5000, u'b');
    box.select(0, static_cast<Long>(box.Text().size()));
    recorded.take();
    recorded.form.input([&] { box.paste(longText); });
    const auto lines = recorded.take();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "refresh Data1"), lines.end());
    EXPECT_EQ(box.Text(), longText);
}

// The answer follows the colour on screen, not the control's own idea of the focus.
TEST(EstarComFoco, FollowsTheBackColour) {
    testing::RecordedForm recorded;
    auto& control = recorded.form.control();
    auto& box = recorded.form.comboBox();
    box.focusIn();
    EXPECT_TRUE(control.EstarComFoco());
    box.BackColor(0x00FF00);
    EXPECT_FALSE(control.EstarComFoco());
    box.focusOut();
    box.BackColor(CorDeFoco);
    EXPECT_TRUE(control.EstarComFoco());
}

} // namespace
} // namespace veltra

// Handlers where scenarios cannot reach: the nesting of the text corrections, and a
// focus colour set by the host.
#include "TestSupport.h"

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

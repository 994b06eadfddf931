// The option properties: stored values, their notifications and the case-option exclusion.
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace veltra {
namespace {

using ::testing::ElementsAre;
using testing::RecordedForm;

class OptionProperties : public ::testing::Test {
  protected:
    OptionProperties() : control(recorded.form.control()) { recorded.take(); }
    RecordedForm recorded;
    Veltra& control;
};

TEST_F(OptionProperties, NewInstanceHasFontAutoOnAndEverythingElseEmpty) {
    EXPECT_TRUE(control.FontAuto());
    for (bool option :
         {control.sAutoEnterTab(), control.sAutoEnterClick(), control.sTirarAcento(),
          control.sSempreMaiusculas(), control.sApenasLetras(), control.sLetraCapital(),
          control.sListaSoResultado(), control.sNuncaVazio(), control.SuperPesquisa})
        EXPECT_FALSE(option);
    EXPECT_EQ(control.sMaxLength(), 0);
    for (const String& stored :
         {control.ToolTipText2(), control.x2_NomeTabela(), control.yTabelaAuxiliar(),
          control.yCampoAuxiliar(), control.yValorAuxiliar()})
        EXPECT_EQ(stored, u"");
    EXPECT_EQ(control.Connect(), u"Access");
    EXPECT_EQ(control.x4_BoundColumn(), u"xnadas");
    EXPECT_TRUE(recorded.lines.empty());
}

TEST_F(OptionProperties, SwitchingOneCaseOptionOnSwitchesTheOtherOff) {
    control.sLetraCapital(true);
    recorded.take();
    control.sSempreMaiusculas(true);
    EXPECT_FALSE(control.sLetraCapital());
    EXPECT_THAT(recorded.take(),
                ElementsAre("changed \"sSempreMaiusculas\"", "changed \"sLetraCapital\""));
    control.sLetraCapital(true);
    EXPECT_TRUE(control.sLetraCapital());
    EXPECT_FALSE(control.sSempreMaiusculas());
    EXPECT_THAT(recorded.take(),
                ElementsAre("changed \"sLetraCapital\"", "changed \"sSempreMaiusculas\""));
}

TEST_F(OptionProperties, SwitchingACaseOptionOffLeavesTheOther) {
    control.sLetraCapital(true);
    recorded.take();
    control.sSempreMaiusculas(false);
    EXPECT_TRUE(control.sLetraCapital());
    EXPECT_THAT(recorded.take(), ElementsAre("changed \"sSempreMaiusculas\""));
}

TEST_F(OptionProperties, StoringTheSameValueStillNotifies) {
    control.sNuncaVazio(false);
    control.sMaxLength(0);
    control.FontAuto(true);
    control.sListaSoResultado(false);
    EXPECT_THAT(recorded.take(),
                ElementsAre("changed \"sNuncaVazio\"", "changed \"sMaxLength\"",
                            "changed \"FontAuto\"", "changed \"sListaSoResultado\""));
}

TEST_F(OptionProperties, MaxLengthKeepsAnyValue) {
    control.sMaxLength(-5);
    EXPECT_EQ(control.sMaxLength(), -5);
}

TEST_F(OptionProperties, ToolTipIsStoredPaddedAndNotifiesOnlyWhenChanged) {
    control.ToolTipText2(u"abc");
    EXPECT_EQ(control.ToolTipText2(), u" abc ");
    control.ToolTipText2(u"abc"); // differs from the padded text: stored and notified again
    control.ToolTipText2(u" abc ");
    EXPECT_THAT(recorded.take(),
                ElementsAre("changed \"ToolTipText2\"", "changed \"ToolTipText2\""));
    control.ToolTipText2(u"  x y ");
    EXPECT_EQ(control.ToolTipText2(), u" x y ");
    control.ToolTipText2(u"   ");
    EXPECT_EQ(control.ToolTipText2(), u"");
    // The box shows the configured tip only from the next focus exit or restore.
    EXPECT_EQ(recorded.form.comboBox().toolTip(), u"");
}

TEST_F(OptionProperties, SuperPesquisaIsAPlainMember) {
    control.SuperPesquisa = true;
    EXPECT_TRUE(control.SuperPesquisa);
    EXPECT_TRUE(recorded.lines.empty());
}

TEST_F(OptionProperties, FontSetByReferenceSwitchesAutomaticSizingOff) {
    auto font = Font::make(u"Arial", 12);
    control.Font(font);
    EXPECT_EQ(control.Font(), font);
    EXPECT_FALSE(control.FontAuto());
    EXPECT_THAT(recorded.take(), ElementsAre("changed \"Font\"", "changed \"FontAuto\""));
    // The object is shared: changing it changes the box without a notification.
    control.Font()->Size(24);
    EXPECT_EQ(recorded.form.comboBox().Font()->Size(), 24);
    EXPECT_TRUE(recorded.lines.empty());
}

} // namespace
} // namespace veltra

// The list of a bound combo box: which row a text matches, what BoundText reads and
// writes, and when column names are checked.
#include "TestSupport.h"
#include "veltra/Error.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

using testing::RecordedForm;
using testing::ScratchDatabase;

class BoundList : public ::testing::Test {
  protected:
    BoundList() : db(testing::kCitiesSql), box(recorded.form.comboBox()) {
        auto& data = recorded.form.dataSource();
        data.DatabaseName(db.path());
        data.RecordSource(u"SELECT Id, Nome FROM Cidades ORDER BY Id");
        data.Refresh();
        box.ListField(u"Nome");
        box.BoundColumn(u"Id");
        box.Refresh();
        box.Text(u"");
        recorded.take();
    }
    int changes() {
        int n = 0;
        for (const auto& line : recorded.take())
            n += line == "event Change";
        return n;
    }

    ScratchDatabase db;
    RecordedForm recorded;
    headless::HeadlessComboBox& box;
};

TEST_F(BoundList, BoundTextIsTheKeyOfTheMatchedRowOrTheTextItself) {
    box.Text(u"Belém");
    EXPECT_EQ(box.BoundText(), u"2");
    box.Text(u"belém"); // matching is exact and case-sensitive
    EXPECT_EQ(box.BoundText(), u"belém");
    box.Text(u"Bel");
    EXPECT_EQ(box.BoundText(), u"Bel");
    box.Text(u"");
    EXPECT_EQ(box.BoundText(), u"");
}

TEST_F(BoundList, EqualListValuesGiveTheFirstRowsKey) {
    box.Text(u"Santos");
    EXPECT_EQ(box.BoundText(), u"3");
}

TEST_F(BoundList, WritingAKeyShowsItsRowAndAnUnknownKeyShowsItself) {
    box.BoundText(u"4");
    EXPECT_EQ(box.Text(), u"Santos");
    EXPECT_EQ(box.SelStart(), 6);
    box.BoundText(u"99");
    EXPECT_EQ(box.Text(), u"99");
    EXPECT_EQ(changes(), 2);
}

TEST_F(BoundList, OnlyAnActualChangeOfTheTextIsReported) {
    box.Text(u"Santos");
    box.select(1, 2);
    box.Text(u"Santos");
    box.BoundText(u"3");
    EXPECT_EQ(changes(), 1);
    EXPECT_EQ(box.SelStart(), 1);
    EXPECT_EQ(box.SelLength(), 2);
}

TEST_F(BoundList, ListHoldsTheRowsOfTheLastComboRefresh) {
    auto& data = recorded.form.dataSource();
    data.RecordSource(u"SELECT Id, Nome FROM Cidades WHERE Id = 1");
    data.Refresh();
    EXPECT_EQ(box.list().rowCount(), 5u);
    box.Refresh();
    EXPECT_EQ(box.list().rowCount(), 1u);
    EXPECT_EQ(box.list().value(0), u"Belo Horizonte");
}

TEST_F(BoundList, NullListValueShowsEmptyAndMatchesNoText) {
    EXPECT_EQ(box.list().value(4), u"");
    EXPECT_EQ(box.list().key(4), u"5");
    box.Text(u"x");
    box.Text(u"");
    EXPECT_EQ(box.BoundText(), u"");
}

TEST_F(BoundList, ColumnNamesAreCheckedAgainstTheDataSourcesRows) {
    EXPECT_THROW(box.ListField(u"Uf"), Error); // the current result has Id and Nome only
    EXPECT_EQ(box.ListField(), u"Nome");
    box.BoundColumn(u"ID"); // names compare without case, as the database's do
    EXPECT_EQ(box.BoundText(), u"");
    box.BoundColumn(u"xnadas");
    EXPECT_EQ(box.BoundColumn(), u"xnadas");
    try {
        box.BoundColumn(u"Codigo");
        FAIL() << "an unknown bound column was accepted";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::UnknownField);
    }
}

TEST_F(BoundList, ANameTheResultLacksMatchesNothing) {
    box.BoundColumn(u"xnadas"); // this result has no such column
    box.Text(u"Santos");
    EXPECT_EQ(box.BoundText(), u"");
}

TEST(UnboundList, KeepsAnyNameBeforeTheDataSourceHasRows) {
    RecordedForm recorded;
    auto& box = recorded.form.comboBox();
    box.ListField(u"Qualquer");
    box.BoundColumn(u"Outra");
    EXPECT_EQ(box.ListField(), u"Qualquer");
    EXPECT_EQ(box.BoundColumn(), u"Outra");
    box.Text(u"abc");
    EXPECT_EQ(box.BoundText(), u"abc");
}

// Sees each change as it is delivered, and may correct the text from inside the handler,
// as the control's change handler does.
struct ChangeProbe final : testing::IgnoredNotifications {
    headless::HeadlessComboBox* box = nullptr;
    std::vector<String> seen;
    void dbComb_Change() override {
        seen.push_back(box->Text());
        if (box->Text().size() > 3)
            box->Text(box->Text().substr(0, 3));
    }
};

TEST(ComboBoxChange, IsDeliveredBeforeTheWriteReturnsAndMayNest) {
    DataControl data;
    headless::HeadlessHost host;
    headless::HeadlessComboBox box(data, host, [](const std::string&) {});
    ChangeProbe probe;
    probe.box = &box;
    box.attach(&probe);
    box.Text(u"abcdef");
    EXPECT_EQ(probe.seen, (std::vector<String>{u"abcdef", u"abc"}));
    EXPECT_EQ(box.Text(), u"abc");
    EXPECT_EQ(box.SelStart(), 3);
}

} // namespace
} // namespace veltra

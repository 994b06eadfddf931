// A database that is deleted, replaced, locked or made unreadable while the control shows
// its rows, and tables with nulls and very long texts: the control carries on and says
// what it can.
#include "TestSupport.h"
#include "veltra/Error.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

namespace veltra {
namespace {

using testing::has;
using testing::RecordedForm;
using testing::ScratchDatabase;

class BrokenSurroundings : public ::testing::Test {
  protected:
    BrokenSurroundings() : db(testing::kCitiesSql) {
        auto& control = recorded.form.control();
        control.x1_DatabaseName(db.path());
        control.x2_NomeTabela(u"Cidades");
        control.x3_ListField(u"Nome");
        control.x4_BoundColumn(u"Id");
        control.Text(u"");
        box().focusIn();
        recorded.form.input([&] { box().pressKey({Key::ShiftKey, Shift::Shift, false, 0}); });
    }
    headless::HeadlessComboBox& box() { return recorded.form.comboBox(); }
    std::vector<std::string> type(const String& text) { return recorded.typeOver(text); }
    // The searches' copy of the table is made in the background: until it is ready they
    // read the file, holding it while their rows are on show.
    void searchTheCopy() {
        recorded.form.dataSource().queryPlan(
            u"SELECT Id, Nome FROM Cidades WHERE Nome like 'b*' ORDER by Nome");
        type(u"b");
    }
    void replaceFile(const char* sql) {
        ScratchDatabase other(sql);
        std::filesystem::copy_file(other.folder() / "test.db", db.folder() / "new.db");
        std::filesystem::rename(db.folder() / "new.db", db.folder() / "test.db");
    }

    ScratchDatabase db;
    RecordedForm recorded;
};

TEST_F(BrokenSurroundings, ADeletedFileFailsTheNextSearchAndKeepsTheRows) {
    EXPECT_TRUE(has(type(u"belo"), "event CodigoAssociado Numero=\"1\""));
    std::filesystem::remove(db.folder() / "test.db");
    const auto lines = type(u"san");
    EXPECT_TRUE(has(lines, "refresh Data1 failed"));
    // The failed search leaves the rows it had: the completion comes from them.
    EXPECT_EQ(box().Text(), u"Belo Horizonte");
    EXPECT_GT(box().list().rowCount(), 0u);
}

TEST_F(BrokenSurroundings, AReplacedFileIsReadAfresh) {
    type(u"belo");
    replaceFile("CREATE TABLE Cidades (Id INTEGER PRIMARY KEY, Nome TEXT);"
                "INSERT INTO Cidades VALUES (42, 'Belmonte');");
    EXPECT_TRUE(has(type(u"belm"), "event CodigoAssociado Numero=\"42\""));
    EXPECT_EQ(box().Text(), u"Belmonte");
}

TEST_F(BrokenSurroundings, AFileReplacedByOneThatIsNotADatabaseIsReported) {
    type(u"belo");
    std::ofstream(db.folder() / "new.db") << std::string(5000, 'x');
    std::filesystem::rename(db.folder() / "new.db", db.folder() / "test.db");
    EXPECT_TRUE(has(type(u"san"), "refresh Data1 failed"));
    recorded.form.control().Text(u"x");
    recorded.take();
    recorded.form.control().MostrarTodos();
    const auto lines = recorded.take();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("Formato de banco de dados não reconhecido"), std::string::npos)
        << lines.back();
}

// The searches read the copy of the table: while a writer holds the file they go on with
// the rows as they were, and the writer's change shows once committed.
TEST_F(BrokenSurroundings, AWriterHoldingTheFileDoesNotStopTheSearch) {
    searchTheCopy();
    sqlite3* writer = nullptr;
    sqlite3_open(toUtf8(db.path()).c_str(), &writer);
    sqlite3_exec(writer, "BEGIN EXCLUSIVE; UPDATE Cidades SET Nome = 'Belo Vale' WHERE Id = 1",
                 nullptr, nullptr, nullptr);
    EXPECT_FALSE(has(type(u"belo"), "refresh Data1 failed"));
    EXPECT_EQ(box().Text(), u"Belo Horizonte");
    sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    type(u"belo v");
    EXPECT_EQ(box().Text(), u"Belo Vale");
}

// A statement that must read the file itself while a writer holds it fails, as locked.
TEST_F(BrokenSurroundings, AStatementOnTheLockedFileFailsAndTheRowsStay) {
    searchTheCopy();
    sqlite3* writer = nullptr;
    sqlite3_open(toUtf8(db.path()).c_str(), &writer);
    sqlite3_exec(writer, "BEGIN EXCLUSIVE; UPDATE Cidades SET Uf = 'XX'", nullptr, nullptr,
                 nullptr);
    auto& data = recorded.form.dataSource();
    data.RecordSource(u"SELECT count(*) FROM Cidades");
    try {
        data.Refresh();
        ADD_FAILURE() << "read a locked file";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("bloqueado"), std::string::npos);
    }
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    EXPECT_GT(box().list().rowCount(), 0u);
}

TEST_F(BrokenSurroundings, AFileMadeUnreadableFailsTheNextSearch) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads a file whatever its permissions";
    std::filesystem::permissions(db.folder() / "test.db", std::filesystem::perms::none);
    EXPECT_TRUE(has(type(u"sao"), "refresh Data1 failed"));
}

TEST(LongAndMissingTexts, CompleteAndListAsAnyOther) {
    const std::string longName = "Zé " + std::string(10'000, 'a');
    ScratchDatabase db("CREATE TABLE Pessoas (Id INTEGER PRIMARY KEY, Nome TEXT);"
                       "INSERT INTO Pessoas VALUES (1, NULL), (2, NULL), (3, '" +
                       longName + "'), (4, 'Zeca');");
    RecordedForm recorded;
    auto& control = recorded.form.control();
    control.x1_DatabaseName(db.path());
    control.x2_NomeTabela(u"Pessoas");
    control.x3_ListField(u"Nome");
    control.x4_BoundColumn(u"Id");
    control.Text(u"");
    auto& box = recorded.form.comboBox();
    box.focusIn();
    EXPECT_EQ(box.list().rowCount(), 2u); // the full list leaves out rows without a name
    recorded.form.input([&] { box.pressKey({Key::ShiftKey, Shift::Shift, false, 0}); });
    recorded.form.type(u"ze ");
    EXPECT_EQ(box.Text(), fromUtf8(longName));
    EXPECT_EQ(box.SelStart(), 3);
    EXPECT_EQ(box.SelLength(), 10'000);
    EXPECT_EQ(box.BoundText(), u"3");
}

} // namespace
} // namespace veltra

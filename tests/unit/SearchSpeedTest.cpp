// What keeps searches fast without writing the user's file: folded indexes (the file's own
// or the connection's copies), rows read only as far as they are used, and lookups that
// ask the database instead of reading the rows.
#include "TestSupport.h"
#include "veltra/Error.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

using testing::ScratchDatabase;

const char* kPeopleSql =
    "CREATE TABLE Pessoas (Id INTEGER PRIMARY KEY, Nome TEXT, UF TEXT);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
    "INSERT INTO Pessoas SELECT i, 'Pessoa ' || printf('%05d', i), 'SP' FROM n;"
    "INSERT INTO Pessoas (Id, Nome) VALUES (20001, 'São João'), (20002, 'SAO JOSE'), (20003, "
    "NULL);";

class SearchSpeed : public ::testing::Test {
  protected:
    SearchSpeed() : db(kPeopleSql) { data.DatabaseName(db.path()); }

    std::string plan(const char16_t* statement) { return data.queryPlan(statement); }
    std::shared_ptr<RowSet> refresh(const char16_t* statement) {
        data.RecordSource(statement);
        data.Refresh();
        return data.rows();
    }

    ScratchDatabase db;
    DataControl data;
};

TEST_F(SearchSpeed, PrefixSearchesOrderAndGroupThroughAFoldedIndex) {
    const std::string before = db.bytes();
    for (const char16_t* statement :
         {u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'pessoa 01*' ORDER by Nome",
          u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'são j*' ORDER by Nome",
          u"SELECT 0 as xnadas, Nome FROM Pessoas WHERE Nome like 'pe?soa*' GROUP by Nome "
          u"ORDER by Nome",
          u"SELECT Id, Nome FROM Pessoas WHERE Nome = 'São João' and Nome <> ''"}) {
        const std::string answer = plan(statement);
        EXPECT_NE(answer.find("SEARCH"), std::string::npos) << answer;
        EXPECT_EQ(answer.find("TEMP B-TREE"), std::string::npos) << answer;
    }
    // The full list is read in order through the index: no sort before the first row.
    const std::string full =
        plan(u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome <> '' ORDER by Nome");
    EXPECT_EQ(full.find("TEMP B-TREE"), std::string::npos) << full;
    // The folded copies live on the connection's side; the file is untouched.
    EXPECT_EQ(db.bytes(), before);
}

// The extra columns that a list shows are carried by the copy's index: the searches and the
// full list read the index alone, in its order. A list grouped by name and extra columns
// (no key column) reads the index alone too, and sorts what it found to group it.
TEST_F(SearchSpeed, ExtraColumnsAreReadFromTheIndexAlone) {
    for (const char16_t* statement :
         {u"SELECT Pessoas.Id, Nome, UF FROM Pessoas WHERE Nome like 'pessoa 01*' ORDER by Nome",
          u"SELECT Pessoas.Id, Nome, UF FROM Pessoas WHERE Nome <> '' ORDER by Nome"}) {
        const std::string answer = plan(statement);
        EXPECT_NE(answer.find("COVERING INDEX"), std::string::npos) << answer;
        EXPECT_EQ(answer.find("TEMP B-TREE"), std::string::npos) << answer;
    }
    const std::string grouped = plan(u"SELECT 0 as xnadas, Nome, UF FROM Pessoas WHERE Nome like "
                                     u"'p*' GROUP by Nome, UF ORDER by Nome");
    EXPECT_NE(grouped.find("COVERING INDEX"), std::string::npos) << grouped;
}

TEST_F(SearchSpeed, ResultsAreReadOnlyAsFarAsTheyAreUsed) {
    const auto rows =
        refresh(u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'p*' ORDER by Nome");
    EXPECT_LE(rows->fetchedCount(), 2u); // the first row and the one after it
    EXPECT_EQ(data.recordset().RecordCount(), 2);
    EXPECT_EQ(rows->fetchAll(), 10000u);
}

TEST_F(SearchSpeed, ListLookupsDoNotReadTheRows) {
    refresh(u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'p*' ORDER by Nome");
    ListModel list(data);
    list.listField(u"Nome");
    list.boundColumn(u"Id");
    list.refresh();
    EXPECT_EQ(list.boundTextFor(u"Pessoa 09999"), u"9999");
    EXPECT_EQ(list.valueOfKey(u"7654"), u"Pessoa 07654");
    EXPECT_EQ(list.keyOfValue(u"pessoa 09999"), std::nullopt); // exact, case-sensitive
    EXPECT_EQ(list.boundTextFor(u"Ninguém"), u"Ninguém");
    EXPECT_LE(data.rows()->fetchedCount(), 2u);
}

TEST_F(SearchSpeed, AFoldedIndexInTheFileIsUsedAsItStands) {
    {
        sqlite3* writer = nullptr;
        sqlite3_open(toUtf8(db.path()).c_str(), &writer);
        // Any collation of that name lets the writer create the index; ours reads it.
        sqlite3_create_collation(writer, "veltra_fold", SQLITE_UTF8, nullptr,
                                 [](void*, int, const void*, int, const void*) { return 0; });
        sqlite3_exec(writer, "CREATE INDEX PessoasNomeVeltra ON Pessoas (Nome COLLATE veltra_fold)",
                     nullptr, nullptr, nullptr);
        sqlite3_close(writer);
    }
    const std::string answer =
        plan(u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'pessoa 01*' ORDER by Nome");
    EXPECT_NE(answer.find("INDEX PessoasNomeVeltra"), std::string::npos) << answer;
    EXPECT_EQ(answer.find("veltra$"), std::string::npos) << answer; // no copy was needed
}

TEST_F(SearchSpeed, CopiesFollowChangesToTheFile) {
    const char16_t* search = u"SELECT Id, Nome FROM Pessoas WHERE Nome like 'zé*' ORDER by Nome";
    EXPECT_FALSE(refresh(search)->fetch(0));
    plan(search); // the copy is made: the writer does not meet it being made
    sqlite3* writer = nullptr;
    sqlite3_open(toUtf8(db.path()).c_str(), &writer);
    sqlite3_exec(writer, "INSERT INTO Pessoas (Id, Nome) VALUES (30000, 'Zé Carioca')", nullptr,
                 nullptr, nullptr);
    sqlite3_close(writer);
    const auto rows = refresh(search);
    ASSERT_TRUE(rows->fetch(0));
    EXPECT_EQ(rows->row(0)[1].toText(), u"Zé Carioca");
}

TEST_F(SearchSpeed, ALockedFileGivesAClearErrorAndTheRowsStay) {
    refresh(u"SELECT Id FROM Pessoas WHERE Id = 1");
    sqlite3* writer = nullptr;
    sqlite3_open(toUtf8(db.path()).c_str(), &writer);
    sqlite3_exec(writer, "BEGIN EXCLUSIVE; UPDATE Pessoas SET Nome = 'x' WHERE Id = 2", nullptr,
                 nullptr, nullptr);
    DataControl other;
    other.DatabaseName(db.path());
    other.RecordSource(u"SELECT Id FROM Pessoas");
    try {
        other.Refresh();
        ADD_FAILURE() << "read a file locked by a writer";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::OtherFailure);
        EXPECT_NE(std::string(error.what()).find("bloqueado"), std::string::npos);
    }
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    EXPECT_EQ(data.recordset().Field(0).toText(), u"1");
}

TEST_F(SearchSpeed, ADamagedFileFailsWithoutCrashing) {
    const auto path = db.folder() / "test.db";
    std::string bytes = db.bytes();
    for (std::size_t i = 4096; i < bytes.size(); i += 7)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    data.RecordSource(u"SELECT Id, Nome FROM Pessoas WHERE Nome like 'p*' ORDER by Nome");
    try {
        data.Refresh();
        data.rows()->fetchAll();
    } catch (const Error& error) {
        EXPECT_GT(error.number(), 0);
    }
}

TEST(EmptyTable, HasNoRowsAndNoCurrentRecord) {
    ScratchDatabase db("CREATE TABLE Vazia (Id INTEGER PRIMARY KEY, Nome TEXT)");
    DataControl data;
    data.DatabaseName(db.path());
    data.RecordSource(u"SELECT Vazia.Id, Nome FROM Vazia WHERE Nome like 'a*' ORDER by Nome");
    data.Refresh();
    EXPECT_EQ(data.recordset().RecordCount(), 0);
    EXPECT_EQ(data.recordset().AbsolutePosition(), -1);
}

} // namespace
} // namespace veltra

// The copies that searches read when the file has no folded index of its own: made in the
// background while searches read the file, kept in the cache folder for the next launch,
// and never trusted when they hold another version of the file or are damaged.
#include "CopiesSupport.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

using testing::Answer;
using testing::CacheFolder;
using testing::run;
using testing::ScratchDatabase;

// Ties of the folded order (Ana, ana, ANA), accents, nulls and enough rows that the order
// of a scan and of an index differ.
const char* kNamesSql =
    "CREATE TABLE Pessoas (Id INTEGER PRIMARY KEY, Nome TEXT, Apelido TEXT);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
    "INSERT INTO Pessoas SELECT 3001 - i, "
    "  CASE i % 7 WHEN 0 THEN 'Ana' WHEN 1 THEN 'ana' WHEN 2 THEN 'Ângela' WHEN 3 THEN 'ANA' "
    "  WHEN 4 THEN 'Antônio ' || (i % 13) WHEN 5 THEN NULL ELSE 'João ' || (i % 5) END, "
    "  'Apelido ' || (i % 11) FROM n;";

// Every row ties under the numeric order of a name; names tie under the folded order.
const std::vector<std::string> kStatements = {
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'an*' ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome <> '' ORDER by Nome",
    "SELECT 0 as xnadas, Nome FROM Pessoas WHERE Nome like 'a?a*' GROUP by Nome ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like '* 1*' ORDER by Nome",
    "SELECT Id, Apelido FROM Pessoas WHERE Apelido like 'APELIDO 1*' ORDER by Apelido, Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome <> '' ORDER by Val(Nome)",
    "SELECT Id, Nome FROM Pessoas WHERE Nome = 'ANA' and Nome <> ''"};

// The copies go to a cache folder of the test's own.
class Copies : public ::testing::Test {
  protected:
    Copies() : db(kNamesSql) {}

    detail::SqliteConnection open() const { return {db.path(), u""}; }
    std::vector<std::filesystem::path> copyFiles() const { return cache.copyFiles(); }

    ScratchDatabase db;
    CacheFolder cache;
};

TEST_F(Copies, ASearchWhileTheCopyIsMadeGivesTheRowsOfTheCopyInItsOrder) {
    for (const auto& statement : kStatements) {
        std::filesystem::remove_all(cache.path() / "veltra");
        auto connection = open();
        // The statement that asks for a copy first is read from the file: the copy has only
        // begun.
        const Answer during = run(connection, statement);
        EXPECT_FALSE(during.fromCopy) << statement;
        const Answer after = run(connection, statement, detail::CopyWait::UntilMade);
        EXPECT_TRUE(after.fromCopy) << statement;
        EXPECT_FALSE(after.rows.empty()) << statement;
        EXPECT_EQ(during.rows, after.rows) << statement;
    }
}

// Meanwhile a result is read from the file in two steps, its first rows and then the rest
// (from the copy, if it is ready by then): every row comes once, in the copy's order.
TEST_F(Copies, ALongResultReadWhileTheCopyIsMadeIsWhole) {
    DataControl data;
    data.DatabaseName(db.path());
    const auto readAll = [&] {
        data.RecordSource(fromUtf8(kStatements[1]));
        data.Refresh();
        const auto rows = data.rows();
        std::vector<String> names;
        for (std::size_t i = 0; rows->fetch(i); ++i)
            names.push_back(rows->row(i)[0].toText() + u"|" + rows->row(i)[1].toText());
        return names;
    };
    const auto during = readAll();
    data.queryPlan(fromUtf8(kStatements[1]));
    const auto after = readAll();
    EXPECT_GT(after.size(), 1000u);
    EXPECT_EQ(during, after);
}

// A big table is copied in slices of row ids: every row once, ties of the folded order in
// the order of the file's rows, for a table whose key is not its row id and for row ids far
// apart.
TEST(CopiesInSlices, HoldEveryRowInTheOrderOfTheFile) {
    ScratchDatabase db(
        "CREATE TABLE Nomes (Codigo TEXT PRIMARY KEY, Nome TEXT);"
        "CREATE TABLE Esparsa (Codigo INTEGER PRIMARY KEY, Nome TEXT);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 230000) "
        "INSERT INTO Nomes SELECT 'c' || i, "
        "CASE i % 3 WHEN 0 THEN 'Ana' WHEN 1 THEN 'ana' ELSE 'Ângela' END FROM n;"
        "INSERT INTO Esparsa SELECT rowid * 1000003 - 4611686018427387904, Nome FROM Nomes "
        "WHERE rowid <= 3000;");
    const CacheFolder cache;
    for (const auto& [table, rows] : {std::pair{"Nomes", 230000u}, std::pair{"Esparsa", 3000u}}) {
        detail::SqliteConnection connection(db.path(), u"");
        const auto search = connection.translate(std::string("SELECT Codigo, Nome FROM ") + table +
                                                 " WHERE Nome like 'an*' ORDER by Nome");
        const auto codes = [&](detail::CopyWait wait) {
            const auto prepared = connection.prepare(search, wait);
            std::vector<std::string> found;
            while (sqlite3_step(prepared.get()) == SQLITE_ROW)
                found.emplace_back(
                    reinterpret_cast<const char*>(sqlite3_column_text(prepared.get(), 0)));
            return found;
        };
        const auto fromFile = codes(detail::CopyWait::No);
        const auto fromCopy = codes(detail::CopyWait::UntilMade);
        EXPECT_EQ(fromCopy.size(), rows) << table;
        EXPECT_EQ(fromFile, fromCopy) << table;
    }
}

TEST_F(Copies, TheNextLaunchFindsTheCopyOfAnUnchangedFileReady) {
    const std::string search = kStatements[0];
    Answer first;
    {
        auto connection = open();
        first = run(connection, search, detail::CopyWait::UntilMade);
    }
    auto next = open();
    const Answer again = run(next, search);
    EXPECT_TRUE(again.fromCopy);
    EXPECT_EQ(again.rows, first.rows);
    EXPECT_EQ(copyFiles().size(), 1u);
}

TEST_F(Copies, ACopyOfAnotherVersionOfTheFileIsNotRead) {
    const std::string search = kStatements[0];
    {
        auto connection = open();
        run(connection, search, detail::CopyWait::UntilMade);
    }
    testing::write(db.path(), "INSERT INTO Pessoas VALUES (5000, 'Anabela', '')");
    auto next = open();
    const Answer changed = run(next, search);
    EXPECT_FALSE(changed.fromCopy);
    EXPECT_NE(std::find(changed.rows.begin(), changed.rows.end(), "5000|Anabela"),
              changed.rows.end());
    const Answer remade = run(next, search, detail::CopyWait::UntilMade);
    EXPECT_TRUE(remade.fromCopy);
    EXPECT_EQ(remade.rows, changed.rows);
    EXPECT_EQ(copyFiles().size(), 1u); // the new copy took the old one's place
}

TEST_F(Copies, ADamagedCopyIsMadeAgain) {
    const std::string search = kStatements[1];
    Answer first;
    {
        auto connection = open();
        first = run(connection, search, detail::CopyWait::UntilMade);
    }
    for (const auto& file : copyFiles())
        std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(8192, '\x5A');
    auto next = open();
    EXPECT_EQ(run(next, search).rows, first.rows);
    const Answer remade = run(next, search, detail::CopyWait::UntilMade);
    EXPECT_TRUE(remade.fromCopy);
    EXPECT_EQ(remade.rows, first.rows);
}

TEST_F(Copies, ACacheFolderThatCannotBeWrittenLeavesTheCopyToATemporaryFolder) {
    setenv("XDG_CACHE_HOME", (db.folder() / "test.db" / "not-a-folder").c_str(), 1);
    setenv("HOME", (db.folder() / "test.db").c_str(), 1);
    auto connection = open();
    const Answer answer = run(connection, kStatements[0], detail::CopyWait::UntilMade);
    EXPECT_TRUE(answer.fromCopy);
    EXPECT_FALSE(answer.rows.empty());
}

// Nowhere to put a copy: the file answers, and nothing fails.
TEST_F(Copies, WithNoFolderForCopiesTheFileAnswers) {
    setenv("XDG_CACHE_HOME", (db.folder() / "test.db" / "not-a-folder").c_str(), 1);
    setenv("HOME", (db.folder() / "test.db").c_str(), 1);
    setenv("TMPDIR", (db.folder() / "test.db" / "not-a-folder").c_str(), 1);
    auto connection = open();
    const Answer first = run(connection, kStatements[0]);
    const Answer waited = run(connection, kStatements[0], detail::CopyWait::UntilMade);
    EXPECT_FALSE(waited.fromCopy);
    EXPECT_FALSE(waited.rows.empty());
    EXPECT_EQ(first.rows, waited.rows);
}

} // namespace
} // namespace veltra

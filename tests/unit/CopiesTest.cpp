// The copies that searches read when the file has no folded index of its own: made in the
// background while searches read the file, kept in the cache folder for the next launch,
// and never trusted when they hold another version of the file or are damaged.
#include "TestSupport.h"
#include "data/Connection.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace veltra {
namespace {

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

const std::vector<std::string> kStatements = {
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'an*' ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome <> '' ORDER by Nome",
    "SELECT 0 as xnadas, Nome FROM Pessoas WHERE Nome like 'a?a*' GROUP by Nome ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like '* 1*' ORDER by Nome",
    "SELECT Id, Apelido FROM Pessoas WHERE Apelido like 'APELIDO 1*' ORDER by Apelido, Nome"};

// The copies go to a cache folder of the test's own.
class Copies : public ::testing::Test {
  protected:
    Copies() : db(kNamesSql), cache("veltra-cache") {
        const char* before = std::getenv("XDG_CACHE_HOME");
        cacheBefore = before ? before : "";
        setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    }
    ~Copies() override { setenv("XDG_CACHE_HOME", cacheBefore.c_str(), 1); }

    struct Answer {
        std::vector<std::string> rows;
        bool fromCopy = false;
    };
    static Answer run(detail::SqliteConnection& connection, const std::string& statement,
                      detail::CopyWait wait = detail::CopyWait::No) {
        const auto prepared = connection.prepare(connection.translate(statement), wait);
        Answer answer;
        answer.fromCopy =
            std::string(sqlite3_sql(prepared.get())).find("veltra_copy_") != std::string::npos;
        while (sqlite3_step(prepared.get()) == SQLITE_ROW) {
            const auto* key = sqlite3_column_text(prepared.get(), 0);
            const auto* name = sqlite3_column_text(prepared.get(), 1);
            answer.rows.push_back(std::string(key ? reinterpret_cast<const char*>(key) : "-") +
                                  "|" + (name ? reinterpret_cast<const char*>(name) : "-"));
        }
        return answer;
    }
    detail::SqliteConnection open() const { return {db.path(), u""}; }
    std::vector<std::filesystem::path> copyFiles() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry :
             std::filesystem::directory_iterator(cache.path() / "veltra" / "copies"))
            files.push_back(entry.path());
        return files;
    }

    ScratchDatabase db;
    TemporaryFolder cache;
    std::string cacheBefore;
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
    const TemporaryFolder cache("veltra-cache");
    const char* before = std::getenv("XDG_CACHE_HOME");
    const std::string cacheBefore = before ? before : "";
    setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
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
    setenv("XDG_CACHE_HOME", cacheBefore.c_str(), 1);
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
    sqlite3* writer = nullptr;
    sqlite3_open(toUtf8(db.path()).c_str(), &writer);
    sqlite3_exec(writer, "INSERT INTO Pessoas VALUES (5000, 'Anabela', '')", nullptr, nullptr,
                 nullptr);
    sqlite3_close(writer);
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
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CACHE_HOME", (db.folder() / "test.db" / "not-a-folder").c_str(), 1);
    setenv("HOME", (db.folder() / "test.db").c_str(), 1);
    {
        auto connection = open();
        const Answer answer = run(connection, kStatements[0], detail::CopyWait::UntilMade);
        EXPECT_TRUE(answer.fromCopy);
        EXPECT_FALSE(answer.rows.empty());
    }
    setenv("HOME", home.c_str(), 1);
}

} // namespace
} // namespace veltra

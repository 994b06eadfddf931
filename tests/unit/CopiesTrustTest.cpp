// What the copies never trust: a file that moved on (a commit still in the write-ahead
// log, another version with the same size and times), a cache folder that another user can
// write (a planted copy, a link where a copy is being written), a copy damaged on disk, more
// tables than the connection can attach, and no folder at all.
#include "CopiesSupport.h"
#include "sqlite/CheckedFiles.h"
#include "sqlite/SqliteFunctions.h"
#include "veltra/data/DataControl.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltra {
namespace {

using testing::Answer;
using testing::CacheFolder;
using testing::run;
using testing::ScratchDatabase;

const char* kPeopleSql =
    "CREATE TABLE Pessoas (Id INTEGER PRIMARY KEY, Nome TEXT);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
    "INSERT INTO Pessoas SELECT i, 'Pessoa ' || printf('%04d', i) FROM n;";
const std::string kSearch =
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'pessoa 00*' ORDER by Nome";
const std::string kWholeList =
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome <> '' ORDER by Nome";

class CopiesTrust : public ::testing::Test {
  protected:
    CopiesTrust() : db(kPeopleSql) {}

    detail::SqliteConnection open() const { return {db.path(), u""}; }
    // Makes the copy that the statement needs, in a connection of its own.
    Answer withCopy(const std::string& statement) const {
        auto connection = open();
        return run(connection, statement, detail::CopyWait::UntilMade);
    }

    ScratchDatabase db;
    CacheFolder cache;
};

bool contains(const std::vector<std::string>& rows, const std::string& row) {
    return std::find(rows.begin(), rows.end(), row) != rows.end();
}

// A writer in WAL mode keeps its change in the log while any connection is open; the file
// itself stays as it was, and the change shows at the next search all the same.
TEST_F(CopiesTrust, ACommitStillInTheWriteAheadLogShowsAtTheNextSearch) {
    testing::write(db.path(), "PRAGMA journal_mode = WAL");
    sqlite3* writer = nullptr;
    sqlite3_open(toUtf8(db.path()).c_str(), &writer);
    auto connection = open();
    ASSERT_TRUE(run(connection, kSearch, detail::CopyWait::UntilMade).fromCopy);
    const std::string before = db.bytes();
    sqlite3_exec(writer, "UPDATE Pessoas SET Nome = 'Pessoa 0001 corrigida' WHERE Id = 1", nullptr,
                 nullptr, nullptr);
    EXPECT_EQ(db.bytes(), before); // the change is in the log only
    const Answer next = run(connection, kSearch);
    EXPECT_TRUE(contains(next.rows, "1|Pessoa 0001 corrigida"));
    const Answer remade = run(connection, kSearch, detail::CopyWait::UntilMade);
    EXPECT_TRUE(remade.fromCopy);
    EXPECT_EQ(remade.rows, next.rows);
    sqlite3_close(writer);
}

// Another version of the file written over it with the same size and times (a restored
// backup, "cp -p", "touch -r") is another file to the copies.
TEST_F(CopiesTrust, AnotherVersionWithTheSameSizeAndTimesIsNotAnsweredFromTheOldCopy) {
    ASSERT_TRUE(withCopy(kSearch).fromCopy);
    const std::string path = toUtf8(db.path());
    struct stat before {};
    ::stat(path.c_str(), &before);
    ScratchDatabase other(std::string(kPeopleSql) +
                          "UPDATE Pessoas SET Nome = 'Outra  ' || substr(Nome, 8) WHERE Id = 5;");
    {
        std::ofstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        const std::string bytes = other.bytes();
        ASSERT_EQ(bytes.size(), static_cast<std::size_t>(before.st_size));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    auto next = open();
    const Answer answer = run(next, kSearch);
    EXPECT_FALSE(answer.fromCopy);
    EXPECT_FALSE(contains(answer.rows, "5|Pessoa 0005"));
    EXPECT_EQ(run(next, kSearch, detail::CopyWait::UntilMade).rows, answer.rows);
}

// A copy with the right origin, but rows of someone else's choosing, in a cache folder that
// others can write: the folder is refused, the copy never read.
TEST_F(CopiesTrust, ACopyPlantedInAFolderOthersCanWriteIsNeverRead) {
    const Answer honest = withCopy(kSearch);
    ASSERT_TRUE(honest.fromCopy);
    const auto planted = cache.copyFiles().front();
    detail::registerCheckedFiles();
    sqlite3* planter = nullptr;
    sqlite3_open_v2(planted.c_str(), &planter, SQLITE_OPEN_READWRITE, detail::kCheckedFileSystem);
    detail::registerDialect(planter);
    ASSERT_EQ(sqlite3_exec(planter, "UPDATE copy SET Nome = 'Pessoa 00 plantada' WHERE Id = 1",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(planter);
    ::chmod(cache.copies().c_str(), 0777);
    {
        auto connection = open();
        const Answer answer = run(connection, kSearch, detail::CopyWait::UntilMade);
        EXPECT_EQ(answer.rows, honest.rows);
    }
    // A copy that another user owns, in the user's own folder, is not read either.
    ::chmod(cache.copies().c_str(), 0700);
    if (::geteuid() == 0 && ::chown(planted.c_str(), 65534, 65534) == 0) {
        auto connection = open();
        EXPECT_FALSE(run(connection, kSearch).fromCopy);
        EXPECT_EQ(run(connection, kSearch, detail::CopyWait::UntilMade).rows, honest.rows);
    }
}

// Links to the user's own file wait where copies are written, under every name a draft
// could have had: the copy is made elsewhere, the file keeps every byte.
TEST_F(CopiesTrust, LinksWhereCopiesAreWrittenLeaveTheUsersFileAlone) {
    std::filesystem::create_directories(cache.copies());
    const std::string target = toUtf8(db.path());
    auto probe = open();
    const auto file = probe.copyFileFor("Pessoas");
    ASSERT_TRUE(file);
    for (int n = 0; n < 64; ++n)
        std::filesystem::create_symlink(target, file->string() + ".draft-" +
                                                    std::to_string(::getpid()) + "-" +
                                                    std::to_string(n));
    const std::string before = db.bytes();
    const Answer answer = run(probe, kSearch, detail::CopyWait::UntilMade);
    EXPECT_TRUE(answer.fromCopy);
    EXPECT_EQ(db.bytes(), before);
    struct stat status {};
    ASSERT_EQ(::lstat(file->c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_mode & 077, 0u); // readable by the user alone
}

// A byte of a copy altered on disk: the copy is removed and made again, the search reads
// the file meanwhile, and the user's file is never said to be damaged.
TEST_F(CopiesTrust, ACopyDamagedInsideItsTableIsMadeAgain) {
    const Answer honest = withCopy(kWholeList);
    ASSERT_TRUE(honest.fromCopy);
    // The text of a row, altered wherever it is stored (table and index): the file stays
    // well formed.
    const auto copy = cache.copyFiles().front();
    {
        std::fstream file(copy, std::ios::binary | std::ios::in | std::ios::out);
        const std::string bytes{std::istreambuf_iterator<char>(file), {}};
        for (auto row = bytes.find("Pessoa 1999"); row != std::string::npos;
             row = bytes.find("Pessoa 1999", row + 1)) {
            file.seekp(static_cast<std::streamoff>(row + 7));
            file.put('X');
        }
    }
    DataControl data;
    data.DatabaseName(db.path());
    data.RecordSource(fromUtf8(kWholeList));
    ASSERT_NO_THROW(data.Refresh());
    std::vector<std::string> rows;
    for (std::size_t i = 0; data.rows()->fetch(i); ++i)
        rows.push_back(toUtf8(data.rows()->row(i)[0].toText()) + "|" +
                       toUtf8(data.rows()->row(i)[1].toText()));
    EXPECT_EQ(rows, honest.rows);
    auto next = open();
    const Answer remade = run(next, kWholeList, detail::CopyWait::UntilMade);
    EXPECT_TRUE(remade.fromCopy);
    EXPECT_EQ(remade.rows, honest.rows);
}

// More tables than a connection attaches: every search answers, and no copy is made twice.
TEST(ManyCopies, MoreTablesThanAConnectionAttachesAreEachCopiedOnce) {
    constexpr int kTables = 12;
    std::string sql;
    for (int t = 0; t < kTables; ++t)
        sql += "CREATE TABLE T" + std::to_string(t) +
               " (Id INTEGER PRIMARY KEY, Nome TEXT); INSERT INTO T" + std::to_string(t) +
               " VALUES (1, 'Ana'), (2, 'Beto');";
    const ScratchDatabase db(sql);
    const CacheFolder cache;
    detail::SqliteConnection connection(db.path(), u"");
    const auto search = [&](int t, detail::CopyWait wait) {
        return run(connection,
                   "SELECT Id, Nome FROM T" + std::to_string(t) + " WHERE Nome like 'a*'", wait);
    };
    for (int t = 0; t < kTables; ++t)
        EXPECT_EQ(search(t, detail::CopyWait::UntilMade).rows, std::vector<std::string>{"1|Ana"});
    std::map<std::filesystem::path, FileIdentity> made;
    for (const auto& file : cache.copyFiles())
        made[file] = identifyFile(file.string());
    EXPECT_EQ(made.size(), static_cast<std::size_t>(kTables));
    for (int round = 0; round < 2; ++round)
        for (int t = 0; t < kTables; ++t) {
            const Answer answer =
                search(t, round ? detail::CopyWait::UntilMade : detail::CopyWait::No);
            EXPECT_EQ(answer.rows, std::vector<std::string>{"1|Ana"});
            EXPECT_TRUE(answer.fromCopy);
        }
    for (const auto& [file, identity] : made)
        EXPECT_EQ(identifyFile(file.string()), identity) << file;
}

} // namespace
} // namespace veltra

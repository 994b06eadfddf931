// Access files read through the helper: every table of the fixtures, the kind found by the
// file's bytes, a file that changes, and damaged files that end in error 3343.
#include "TestSupport.h"
#include "veltra/Error.h"
#include "veltra/platform/Files.h"

#include <functional>
#include <gtest/gtest.h>

namespace veltra {
namespace {

const std::filesystem::path kFixtures = VELTRA_ACCESS_FIXTURES;

class AccessFiles : public ::testing::Test {
  protected:
    AccessFiles() : scratch_("veltra-access"), folder_(scratch_.path()) {}

    // A copy of a fixture under another name.
    std::filesystem::path copy(const char* fixture, const char* name) {
        const auto target = folder_ / name;
        std::filesystem::copy_file(kFixtures / fixture, target,
                                   std::filesystem::copy_options::overwrite_existing);
        return target;
    }
    std::vector<std::vector<Variant>> rows(const std::filesystem::path& file,
                                           const char16_t* statement) {
        DataControl data;
        data.DatabaseName(fromUtf8(file.string()));
        data.RecordSource(statement);
        data.Refresh();
        std::vector<std::vector<Variant>> result;
        for (std::size_t i = 0; data.rows()->fetch(i); ++i)
            result.push_back(data.rows()->row(i));
        return result;
    }
    // The number of the error the work ends in, 0 when it ends well.
    static int errorOf(const std::function<void()>& work) {
        try {
            work();
        } catch (const Error& error) {
            return error.number();
        }
        return 0;
    }
    int errorOf(const std::filesystem::path& file, const char16_t* statement) {
        return errorOf([&] { rows(file, statement); });
    }

    TemporaryFolder scratch_;
    std::filesystem::path folder_;
};

// The cells of an mdb-export file: a quoted cell is text ("" is a quote, line breaks stay),
// an empty unquoted cell a null, any other unquoted cell a number.
struct Cell {
    std::string text;
    bool quoted = false;
};

std::vector<std::vector<Cell>> readExport(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string csv{std::istreambuf_iterator<char>(in), {}};
    std::vector<std::vector<Cell>> lines(1, std::vector<Cell>(1));
    bool inQuotes = false;
    for (std::size_t i = 0; i < csv.size(); ++i) {
        Cell& cell = lines.back().back();
        const char c = csv[i];
        if (inQuotes && c == '"' && i + 1 < csv.size() && csv[i + 1] == '"')
            cell.text += csv[++i];
        else if (c == '"') {
            inQuotes = !inQuotes;
            cell.quoted = true;
        } else if (!inQuotes && c == ',')
            lines.back().emplace_back();
        else if (!inQuotes && c == '\n')
            lines.emplace_back(1);
        else
            cell.text += c;
    }
    lines.pop_back();
    return lines;
}

void expectSameCell(const Variant& value, const Cell& cell) {
    if (cell.quoted)
        EXPECT_EQ(value, Variant(fromUtf8(cell.text)));
    else if (cell.text.empty())
        EXPECT_TRUE(value.isNull());
    else
        EXPECT_DOUBLE_EQ(value.toDouble(), std::stod(cell.text));
}

// Every user table of every fixture against what mdb-export shows (the files in expected/
// were written by `mdb-export -T "%Y-%m-%d %H:%M:%S" FILE TABLE`), column by column.
TEST_F(AccessFiles, EveryTableReadsBackAsMdbExportShowsIt) {
    int tables = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kFixtures / "expected")) {
        const std::string name = entry.path().stem().string(); // FILE.TABLE
        const std::string file = name.substr(0, name.rfind('.'));
        const std::string table = name.substr(name.rfind('.') + 1);
        const auto expected = readExport(entry.path());
        std::string columns;
        for (const Cell& header : expected.front())
            columns += (columns.empty() ? "[" : ", [") + header.text + "]";
        const String statement = fromUtf8("SELECT " + columns + " FROM [" + table + "]");
        const auto actual = rows(kFixtures / file, statement.c_str());
        ASSERT_EQ(actual.size(), expected.size() - 1) << name;
        for (std::size_t r = 0; r < actual.size(); ++r)
            for (std::size_t c = 0; c < actual[r].size(); ++c) {
                SCOPED_TRACE(name + " row " + std::to_string(r + 1) + " column " +
                             expected[0][c].text);
                expectSameCell(actual[r][c], expected[r + 1][c]);
            }
        ++tables;
    }
    EXPECT_EQ(tables, 12);
}

// Whole numbers stay integers and the rest doubles, so that the key reaches the host as
// "2", not "2.0"; a Boolean reads as 1.
TEST_F(AccessFiles, NumbersKeepTheirKinds) {
    const auto jet3 =
        rows(kFixtures / "testV1997.mdb", u"SELECT C, E, F, H, I FROM Table1 ORDER BY A");
    ASSERT_EQ(jet3.size(), 2u);
    EXPECT_EQ(jet3[1], (std::vector<Variant>{2, 333333333, 444.555, 3.5, 1}));
}

TEST_F(AccessFiles, TheKindComesFromTheBytesNotTheName) {
    EXPECT_EQ(rows(copy("indexTestV2007.accdb", "dados.db"),
                   u"SELECT data FROM Table1 WHERE id = 3")[0][0],
              Variant(u"baz13"));
    testing::ScratchDatabase sqlite("CREATE TABLE t (x); INSERT INTO t VALUES (7);");
    const auto disguised = folder_ / "planilha.mdb";
    std::filesystem::copy_file(sqlite.folder() / "test.db", disguised);
    EXPECT_EQ(rows(disguised, u"SELECT x FROM t")[0][0], Variant(7));
}

TEST_F(AccessFiles, AChangedFileIsReadAgain) {
    const auto file = copy("indexTestV2000.mdb", "x.mdb");
    DataControl data;
    data.DatabaseName(fromUtf8(file.string()));
    data.RecordSource(u"SELECT count(*) FROM Table1");
    data.Refresh();
    EXPECT_EQ(data.rows()->row(0)[0], Variant(4));
    copy("testV1997.mdb", "x.mdb");
    data.Refresh();
    EXPECT_EQ(data.rows()->row(0)[0], Variant(2));
}

TEST_F(AccessFiles, DamagedFilesEndInError3343) {
    // A copy damaged by the fuzzer on which mdbtools never finishes.
    setenv("VELTRA_MDB_TIME_LIMIT", "1", 1);
    EXPECT_EQ(errorOf(kFixtures / "damaged" / "hangs-the-reader.mdb", u"SELECT * FROM Table1"),
              ErrorNumber::NotADatabase);
    unsetenv("VELTRA_MDB_TIME_LIMIT");
    const auto original = kFixtures / "indexTestV2000.mdb";
    const auto size = std::filesystem::file_size(original);
    for (const std::size_t keep : {std::size_t{40}, std::size_t{4096}, size / 2}) {
        const auto truncated = copy("indexTestV2000.mdb", "truncado.mdb");
        std::filesystem::resize_file(truncated, keep);
        const int error = errorOf(truncated, u"SELECT * FROM Table1");
        EXPECT_TRUE(error == ErrorNumber::NotADatabase || error == ErrorNumber::TableNotFound)
            << keep << ": " << error;
    }
    for (const int stride : {7, 97, 1021}) {
        auto damaged = copy("indexTestV2000.mdb", "danificado.mdb");
        std::fstream bytes(damaged, std::ios::in | std::ios::out | std::ios::binary);
        for (std::size_t at = 2048; at < size; at += static_cast<std::size_t>(stride)) {
            bytes.seekp(static_cast<std::streamoff>(at));
            bytes.put(static_cast<char>(0xA5));
        }
        bytes.close();
        const int error = errorOf(damaged, u"SELECT * FROM Table1");
        EXPECT_TRUE(error == 0 || error == ErrorNumber::NotADatabase ||
                    error == ErrorNumber::TableNotFound)
            << stride << ": " << error;
    }
}

// A reader that hangs is stopped at the time limit, and only once per version of the
// file: the next searches fail at once, until the file changes.
// The copy of a table outlives the program: the next launch searches an unchanged file
// without the reader, which a changed file needs again.
TEST_F(AccessFiles, TheNextLaunchSearchesTheCopyWithoutTheReader) {
    const auto file = copy("indexTestV2000.mdb", "x.mdb");
    const char16_t* search = u"SELECT id, data FROM Table1 WHERE data like 'b*' ORDER by data";
    const auto first = rows(file, search);
    ASSERT_FALSE(first.empty());
    setenv("VELTRA_MDB_READER", (folder_ / "no-reader").c_str(), 1);
    EXPECT_EQ(rows(file, search), first);
    copy("testV1997.mdb", "x.mdb");
    EXPECT_EQ(errorOf(file, search), ErrorNumber::NotADatabase);
    unsetenv("VELTRA_MDB_READER");
}

TEST_F(AccessFiles, AReaderThatHangsIsStoppedOncePerFileVersion) {
    const auto reader = folder_ / "reader.sh";
    const auto runs = folder_ / "runs";
    std::ofstream(reader) << "#!/bin/sh\necho run >> '" << runs.string() << "'\nsleep 10\n";
    std::filesystem::permissions(reader, std::filesystem::perms::owner_all);
    setenv("VELTRA_MDB_READER", reader.c_str(), 1);
    setenv("VELTRA_MDB_TIME_LIMIT", "1", 1);
    const auto file = copy("indexTestV2000.mdb", "x.mdb");
    DataControl data;
    data.DatabaseName(fromUtf8(file.string()));
    data.RecordSource(u"SELECT * FROM Table1");
    const auto refreshError = [&] { return errorOf([&] { data.Refresh(); }); };
    const auto readerRuns = [&] {
        std::ifstream in(runs);
        return std::count(std::istreambuf_iterator<char>(in), {}, '\n');
    };
    EXPECT_EQ(refreshError(), ErrorNumber::NotADatabase);
    EXPECT_EQ(refreshError(), ErrorNumber::NotADatabase);
    EXPECT_EQ(readerRuns(), 1);
    copy("testV1997.mdb", "x.mdb");
    EXPECT_EQ(refreshError(), ErrorNumber::NotADatabase);
    EXPECT_EQ(readerRuns(), 2);
    unsetenv("VELTRA_MDB_READER");
    unsetenv("VELTRA_MDB_TIME_LIMIT");
}

} // namespace
} // namespace veltra

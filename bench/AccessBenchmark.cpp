// What an Access file costs on first use, where the control reads each table into its
// private copy the first time a statement needs it.
//
// Measures on the real fixtures: the open and first search of the largest file, and the
// reader helper listing the tables of a file and reading its 105-row table (their
// difference per row is mdbtools' decoding). Then the first search over a generated
// people table of N rows, streamed by veltra-bench-mdb-stream in the reader's protocol:
// the copy, its folded index and the search. Prints the medians and the estimate for a
// table of N rows read through mdbtools.
//
//   veltra-bench-access [--rows N] [--repeat K]
#include "PeopleTable.h"
#include "access/AccessFile.h"
#include "veltra/Text.h"
#include "veltra/data/DataControl.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace veltra;
using Clock = std::chrono::steady_clock;

const std::filesystem::path kFixtures = VELTRA_ACCESS_FIXTURES;

enum class Cache { Empty, Warm };

// The median time of the work, in milliseconds. The control's copies go to a cache folder
// that is new each time (the first use of a file), or to one where a first run left them
// (the next launch of the program).
double medianMs(int repeat, const std::function<void()>& work, Cache cache = Cache::Empty) {
    std::vector<double> times;
    std::optional<TemporaryFolder> folder;
    for (int i = 0; i < repeat; ++i) {
        if (cache == Cache::Empty || !folder) {
            folder.emplace("veltra-bench-cache");
            setenv("XDG_CACHE_HOME", folder->path().c_str(), 1);
            if (cache == Cache::Warm)
                work();
        }
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return bench::percentile(times, 0.5);
}

// A new data source, as a new form opens it: the statement and its first row.
void firstSearch(const std::filesystem::path& file, const String& statement) {
    DataControl data;
    data.DatabaseName(fromUtf8(file.string()));
    data.RecordSource(statement);
    data.Refresh();
    if (!data.rows()->fetch(0))
        throw std::runtime_error("a busca não encontrou nada em " + file.string());
}

std::size_t readRows(const std::filesystem::path& file, const std::string& table) {
    std::size_t rows = 0;
    detail::readAccessTable(
        file.string(), table, [](const auto&) {}, [&](const auto&) { ++rows; });
    return rows;
}

} // namespace

int main(int argc, char** argv) {
    std::size_t rows = 100'000;
    int repeat = 20;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) {
            rows = std::stoul(argv[++i]);
        } else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: veltra-bench-access [--rows N] [--repeat K]\n");
            return 2;
        }
    }
    try {
        const auto largest = kFixtures / "indexTestV2007.accdb";
        const auto withRows = kFixtures / "binIdxTestV2010.accdb";
        const double open = medianMs(repeat, [&] {
            firstSearch(
                largest,
                u"SELECT Table1.id, data FROM Table1 WHERE data like 'baz1*' ORDER by data");
        });
        const double openNext = medianMs(
            repeat,
            [&] {
                firstSearch(
                    largest,
                    u"SELECT Table1.id, data FROM Table1 WHERE data like 'baz1*' ORDER by data");
            },
            Cache::Warm);
        const double list = medianMs(repeat, [&] { detail::accessTables(withRows.string()); });
        const std::size_t fixtureRows = readRows(withRows, "Test");
        const double read = medianMs(repeat, [&] { readRows(withRows, "Test"); });
        const double decodePerRowUs = (read - list) * 1000.0 / static_cast<double>(fixtureRows);

        bench::PeopleTable people(rows);
        setenv("VELTRA_BENCH_PEOPLE", people.file().c_str(), 1);
        setenv("VELTRA_MDB_READER", VELTRA_BENCH_MDB_STREAM, 1);
        const auto searchPeople = [&] {
            firstSearch(
                largest,
                u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'mar*' ORDER by Nome");
        };
        const double copy = medianMs(std::max(1, repeat / 4), searchPeople);
        const double copyNext = medianMs(std::max(1, repeat / 4), searchPeople, Cache::Warm);
        const double estimate = copy + decodePerRowUs * static_cast<double>(rows) / 1000.0;
        std::printf("open and first search, %s (%ju bytes): %.1f ms\n", largest.filename().c_str(),
                    static_cast<std::uintmax_t>(std::filesystem::file_size(largest)), open);
        std::printf("the same at the next launch (copy in the cache folder): %.1f ms\n", openNext);
        std::printf("reader: list tables %.1f ms, read %zu rows %.1f ms: %.2f us per row decoded\n",
                    list, fixtureRows, read, decodePerRowUs);
        std::printf(
            "first search over %zu streamed rows (copy, index, search): %.0f ms, %.2f us per row\n",
            rows, copy, copy * 1000.0 / static_cast<double>(rows));
        std::printf("the same at the next launch (copy in the cache folder): %.1f ms\n", copyNext);
        std::printf("RESULT rows=%zu first_use_ms=%.0f next_launch_ms=%.1f peak_mb=%.1f\n", rows,
                    estimate, copyNext, bench::peakMegabytes());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "veltra-bench-access: %s\n", error.what());
        return 1;
    }
    return 0;
}

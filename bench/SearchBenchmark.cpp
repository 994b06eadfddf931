// How fast a search comes back from the data source, against the raw indexed SQLite query.
//
// Generates a table of person-like names with accents (fixed seed, in a temporary folder,
// removed at the end), then measures per prefix length: the first row of the raw indexed
// query (case-sensitive range on a plain index), and the same search through Veltra's data
// source and list (refresh plus the first 50 rows). Prints Google Benchmark's table, then
// one summary line per prefix with median, p99 and their ratio.
//
//   veltra-bench-search [--rows N] [benchmark flags]
#include "PeopleTable.h"
#include "veltra/Text.h"
#include "veltra/data/BoundControls.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

using namespace veltra;
using Clock = std::chrono::steady_clock;

// The prefixes typed (lower case, no accents, as people type) and the raw query's
// case-sensitive equivalent.
struct Prefix {
    const char* typed;
    const char* raw;
};
constexpr Prefix kPrefixes[] = {{"m", "M"}, {"ma", "Ma"}, {"mar", "Mar"}, {"maria", "Maria"}};

struct Fixture {
    std::unique_ptr<bench::PeopleTable> table;
    double firstSearchMs = 0;
    double copyMadeMs = 0;
    // One data source for all the measurements, as one control keeps its own.
    std::unique_ptr<DataControl> data;
    const std::string& file() const { return table->file(); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

String searchStatement(const char* typed) {
    return u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like '" + fromUtf8(typed) +
           u"*' ORDER by Nome";
}

// Per-iteration times, kept for the percentiles of the summary.
std::map<std::string, std::vector<double>>& samples() {
    static std::map<std::string, std::vector<double>> s;
    return s;
}

void record(benchmark::State& state, const std::string& name, std::vector<double>& times) {
    state.counters["p50_us"] = bench::percentile(times, 0.5);
    state.counters["p99_us"] = bench::percentile(times, 0.99);
    auto& kept = samples()[name];
    kept.insert(kept.end(), times.begin(), times.end());
}

template <class Work>
void timed(benchmark::State& state, const std::string& name, Work&& work) {
    std::vector<double> times;
    for (auto _ : state) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    record(state, name, times);
}

void rawFirstRow(benchmark::State& state) {
    const Prefix& prefix = kPrefixes[state.range(0)];
    sqlite3* db = nullptr;
    sqlite3_open_v2(fixture().file().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT Id, Nome FROM Pessoas WHERE Nome >= ?1 AND Nome < ?2 ORDER BY Nome",
                       -1, &query, nullptr);
    const std::string low = prefix.raw;
    const std::string high = low + "\xF4\x8F\xBF\xBF";
    timed(state, std::string("raw/") + prefix.typed, [&] {
        sqlite3_bind_text(query, 1, low.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(query, 2, high.c_str(), -1, SQLITE_STATIC);
        benchmark::DoNotOptimize(sqlite3_step(query));
        benchmark::DoNotOptimize(sqlite3_column_text(query, 1));
        sqlite3_reset(query);
    });
    sqlite3_finalize(query);
    sqlite3_close(db);
}

// Refresh of the data source and of the list, then the first 50 list values: what the
// control does with every key release.
void searchThroughList(benchmark::State& state, const std::string& name, const String& statement) {
    DataControl& data = *fixture().data;
    ListModel list(data);
    list.listField(u"Nome");
    list.boundColumn(u"Id");
    timed(state, name, [&] {
        data.RecordSource(statement);
        data.Refresh();
        list.refresh();
        for (std::size_t i = 0; i < 50 && list.hasRow(i); ++i)
            benchmark::DoNotOptimize(list.value(i));
    });
}

void oursSearch(benchmark::State& state) {
    const Prefix& prefix = kPrefixes[state.range(0)];
    searchThroughList(state, std::string("ours/") + prefix.typed, searchStatement(prefix.typed));
}

void fullList(benchmark::State& state) {
    searchThroughList(state, "full",
                      u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome <> '' ORDER by Nome");
}

void numericOrder(benchmark::State& state) {
    const Prefix& prefix = kPrefixes[state.range(0)];
    searchThroughList(state, std::string("val/") + prefix.typed,
                      u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like '" +
                          fromUtf8(prefix.typed) + u"*' ORDER by Val(Nome)");
}

// The first search on a new connection opens the file and starts making the folded-text
// copy, reading the file meanwhile; the searches measured afterwards read the copy.
void measureFirstSearch() {
    auto& data = *(fixture().data = std::make_unique<DataControl>());
    data.DatabaseName(fromUtf8(fixture().file()));
    const auto start = Clock::now();
    const auto since = [&] {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    data.RecordSource(searchStatement("m"));
    data.Refresh();
    fixture().firstSearchMs = since();
    (void)data.queryPlan(searchStatement("m"));
    fixture().copyMadeMs = since();
}

void printSummary() {
    const auto& f = fixture();
    std::cout << "\nrows=" << f.table->rows() << " generate_s=" << f.table->secondsToGenerate()
              << " first_search_ms=" << f.firstSearchMs << " copy_made_ms=" << f.copyMadeMs
              << " peak_mb=" << bench::peakMegabytes() << '\n';
    std::cout << "| rows | prefix | raw first row p50 (us) | ours p50 (us) | ours p99 (us) | ratio "
                 "p50 |\n";
    for (const auto& prefix : kPrefixes) {
        const double raw = bench::percentile(samples()["raw/" + std::string(prefix.typed)], 0.5);
        const auto& ours = samples()["ours/" + std::string(prefix.typed)];
        std::cout << "| " << f.table->rows() << " | " << std::strlen(prefix.typed) << " | " << raw
                  << " | " << bench::percentile(ours, 0.5) << " | " << bench::percentile(ours, 0.99)
                  << " | " << (raw > 0 ? bench::percentile(ours, 0.5) / raw : 0) << " |\n";
    }
    std::cout << "full list p50_us=" << bench::percentile(samples()["full"], 0.5)
              << " p99_us=" << bench::percentile(samples()["full"], 0.99) << '\n';
    for (const auto& prefix : kPrefixes)
        std::cout << "ORDER by Val, prefix " << prefix.typed << ": p50_us="
                  << bench::percentile(samples()["val/" + std::string(prefix.typed)], 0.5) << '\n';
}

} // namespace

BENCHMARK(rawFirstRow)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(oursSearch)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(fullList)->Unit(benchmark::kMicrosecond);
BENCHMARK(numericOrder)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond)->Iterations(20);

int main(int argc, char** argv) {
    std::size_t rows = 1'000'000;
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc)
            rows = std::stoul(argv[++i]);
        else
            arguments.push_back(argv[i]);
    }
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    // The copy goes to a cache folder of the run's own, empty at first.
    const TemporaryFolder cache("veltra-bench-cache");
    setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    fixture().table = std::make_unique<bench::PeopleTable>(rows);
    measureFirstSearch();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    fixture().data.reset();
    fixture().table.reset();
    return 0;
}

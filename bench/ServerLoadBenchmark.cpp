// Many clerks typing into the same table on one PostgreSQL server: each client is a
// process of its own with its own control and connection, typing prefixes letter by
// letter at a fast typist's pace; the time from each key to the completed text with the
// first list rows read is a keystroke.
//
//   veltra-bench-postgresql [--rows N]... [--clients N]... [--pace MS]
//       (default: --rows 1000000 --rows 10000000 --clients 1 --clients 10 --clients 50
//        --pace 100)
//
// The server is the one PGHOST, PGPORT and PGUSER name (scripts/bench.sh postgresql starts
// one of its own); the tables are generated there (database veltra_bench_N) with
// veltra-index's indexes, and kept for the next run.
#include "../tools/veltra-index/PostgresIndex.h"
#include "PeopleTable.h"
#include "postgres/Pq.h"
#include "veltra/Text.h"
#include "veltra/headless/Headless.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace veltra;
using Clock = std::chrono::steady_clock;
using detail::pq::Connection;
using detail::pq::Result;

// What clerks type: first names and surnames, some with accents typed without them.
const std::vector<std::string> kPrefixes = {"Maria da S", "Paulo", "Bruno G", "Helena",
                                            "Gabriel S",  "jose",  "antonio", "Sergio R",
                                            "Lucia",      "Tomas"};

[[noreturn]] void fail(const std::string& what) {
    std::cerr << "veltra-bench-postgresql: " << what << '\n';
    std::exit(1);
}

Connection connect(const std::string& database) {
    const std::string conninfo = "dbname=" + database + " options='-c client_min_messages=warning'";
    Connection connection(PQconnectdb(conninfo.c_str()));
    if (PQstatus(connection.get()) != CONNECTION_OK)
        fail("cannot connect to database " + database + ": " + PQerrorMessage(connection.get()));
    return connection;
}

std::string run(const Connection& connection, const std::string& sql) {
    const Result result(PQexec(connection.get(), sql.c_str()));
    const auto status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(sql + ": " + PQerrorMessage(connection.get()));
    return status == PGRES_TUPLES_OK && PQntuples(result.get()) > 0 ? PQgetvalue(result.get(), 0, 0)
                                                                    : std::string();
}

std::string databaseFor(std::size_t rows) {
    return "veltra_bench_" + std::to_string(rows);
}

// The generated table and its indexes, made once per size.
void prepareTable(std::size_t rows) {
    const std::string database = databaseFor(rows);
    {
        const Connection server = connect("postgres");
        if (run(server, "SELECT count(*) FROM pg_database WHERE datname = '" + database + "'") ==
            "1") {
            const Connection existing = connect(database);
            if (run(existing, "SELECT to_regclass('pessoas') IS NOT NULL") == "t" &&
                run(existing, "SELECT count(*) FROM pessoas") == std::to_string(rows))
                return;
            run(server, "DROP DATABASE " + database + " WITH (FORCE)");
        }
        run(server, "CREATE DATABASE " + database + " TEMPLATE template0 ENCODING 'UTF8'");
    }
    std::cout << "Generating " << rows << " names in " << database << "..." << std::endl;
    const auto start = Clock::now();
    const Connection db = connect(database);
    run(db, "CREATE TABLE Pessoas (Id integer PRIMARY KEY, Nome text)");
    {
        const Result copying(PQexec(db.get(), "COPY Pessoas FROM STDIN"));
        if (PQresultStatus(copying.get()) != PGRES_COPY_IN)
            fail(std::string("COPY: ") + PQerrorMessage(db.get()));
    }
    std::mt19937 random(20261205);
    std::string batch;
    for (std::size_t id = 1; id <= rows; ++id) {
        batch += std::to_string(id) + '\t' + bench::personName(random) + '\n';
        if (batch.size() > (1 << 20) || id == rows) {
            if (PQputCopyData(db.get(), batch.data(), static_cast<int>(batch.size())) != 1)
                fail(std::string("COPY: ") + PQerrorMessage(db.get()));
            batch.clear();
        }
    }
    if (PQputCopyEnd(db.get(), nullptr) != 1)
        fail(std::string("COPY: ") + PQerrorMessage(db.get()));
    while (Result finished{PQgetResult(db.get())})
        if (PQresultStatus(finished.get()) != PGRES_COMMAND_OK)
            fail(std::string("COPY: ") + PQerrorMessage(db.get()));
    const double loaded = std::chrono::duration<double>(Clock::now() - start).count();
    if (index::indexServerTable(("dbname=" + database).c_str(), "Pessoas", "Nome", "Id") != 0)
        fail("veltra-index failed");
    std::printf("  loaded in %.1f s, indexed in %.1f s\n", loaded,
                std::chrono::duration<double>(Clock::now() - start).count() - loaded);
}

// ---- one client ----------------------------------------------------------------------

// Connects, says READY, waits for GO on standard input, types, prints its keystroke times
// (microseconds) and its peak memory.
int client(const std::string& database, std::size_t firstPrefix, int paceMs) {
    headless::HeadlessForm form([](const std::string&) {});
    auto& control = form.control();
    control.Connect(u"PostgreSQL");
    control.x1_DatabaseName(fromUtf8(database));
    control.x2_NomeTabela(u"Pessoas");
    control.x3_ListField(u"Nome");
    control.x4_BoundColumn(u"Id");
    control.Text(u"");
    auto& box = form.comboBox();
    box.focusIn();
    form.input([&] { box.pressKey({Key::ShiftKey, Shift::Shift, false, 0}); });
    // A clerk's first key of the day: the server process reads its catalogue and plans the
    // search for the first time. Timed apart from the keystrokes that follow.
    const auto firstStart = Clock::now();
    form.type(u"x");
    const double firstSearch =
        std::chrono::duration<double, std::micro>(Clock::now() - firstStart).count();
    std::cout << "READY" << std::endl;
    std::string go;
    std::getline(std::cin, go);
    std::vector<double> samples;
    for (std::size_t p = 0; p < kPrefixes.size(); ++p) {
        box.select(0, static_cast<Long>(box.Text().size()));
        for (const char c : kPrefixes[(firstPrefix + p) % kPrefixes.size()]) {
            const auto start = Clock::now();
            form.type(String(1, static_cast<char16_t>(c)));
            for (std::size_t i = 0; i < 10 && box.list().hasRow(i); ++i)
                (void)box.list().value(i);
            const auto took = Clock::now() - start;
            samples.push_back(std::chrono::duration<double, std::micro>(took).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(paceMs) - took);
        }
    }
    std::cout << "SAMPLES";
    for (const double sample : samples)
        std::cout << ' ' << sample;
    std::cout << "\nPEAK " << bench::peakMegabytes() << " FIRST " << firstSearch << std::endl;
    return 0;
}

// ---- the parent ----------------------------------------------------------------------

struct Child {
    pid_t pid;
    FILE* in;  // the child's standard input
    FILE* out; // the child's standard output
};

Child spawn(const std::string& database, std::size_t first, int paceMs) {
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0)
        fail("pipe failed");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(toChild[0], 0);
        dup2(fromChild[1], 1);
        close(toChild[1]);
        close(fromChild[0]);
        const std::string index = std::to_string(first);
        const std::string pace = std::to_string(paceMs);
        execl("/proc/self/exe", "veltra-bench-postgresql", "--client", database.c_str(),
              index.c_str(), pace.c_str(), nullptr);
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    return {pid, fdopen(toChild[1], "w"), fdopen(fromChild[0], "r")};
}

std::string readLine(FILE* in) {
    std::string line;
    for (int c = std::fgetc(in); c != EOF && c != '\n'; c = std::fgetc(in))
        line += static_cast<char>(c);
    return line;
}

// CPU seconds used so far by every process named postgres, by process.
std::map<int, double> serverCpu() {
    std::map<int, double> seconds;
    DIR* proc = opendir("/proc");
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    while (dirent* entry = readdir(proc)) {
        const int pid = std::atoi(entry->d_name);
        if (pid <= 0)
            continue;
        std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
        std::string line;
        std::getline(stat, line);
        const auto open = line.find('(');
        const auto close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos ||
            line.substr(open + 1, close - open - 1) != "postgres")
            continue;
        std::istringstream fields(line.substr(close + 2));
        std::string field;
        double user = 0;
        double system = 0;
        for (int i = 3; fields >> field; ++i) {
            if (i == 14)
                user = std::stod(field);
            if (i == 15) {
                system = std::stod(field);
                break;
            }
        }
        seconds[pid] = (user + system) / ticks;
    }
    closedir(proc);
    return seconds;
}

struct LoadResult {
    double p50 = 0, p99 = 0, max = 0, firstP50 = 0, serverCpuPercent = 0, clientPeakMb = 0;
    std::size_t keystrokes = 0;
};

LoadResult measure(std::size_t rows, int clients, int paceMs) {
    std::vector<Child> children;
    for (int c = 0; c < clients; ++c)
        children.push_back(spawn(databaseFor(rows), static_cast<std::size_t>(c), paceMs));
    for (auto& child : children)
        if (readLine(child.out) != "READY")
            fail("a client could not start");
    const auto before = serverCpu();
    auto seen = before;
    const auto start = Clock::now();
    for (auto& child : children) {
        std::fputs("GO\n", child.in);
        std::fflush(child.in);
    }
    // The server's processes are sampled while the clients type: a backend's counters go
    // with it when its client leaves.
    std::vector<double> samples;
    std::vector<double> firsts;
    LoadResult result;
    std::thread sampler;
    std::atomic<bool> typing{true};
    sampler = std::thread([&] {
        while (typing) {
            for (const auto& [pid, seconds] : serverCpu())
                seen[pid] = std::max(seen[pid], seconds);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    for (auto& child : children) {
        std::istringstream line(readLine(child.out));
        std::string word;
        line >> word;
        for (double sample; line >> sample;)
            samples.push_back(sample);
        std::istringstream peak(readLine(child.out));
        double mb = 0;
        double first = 0;
        peak >> word >> mb >> word >> first;
        result.clientPeakMb = std::max(result.clientPeakMb, mb);
        firsts.push_back(first);
    }
    typing = false;
    sampler.join();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    for (auto& child : children) {
        std::fclose(child.in);
        std::fclose(child.out);
        waitpid(child.pid, nullptr, 0);
    }
    double cpu = 0;
    for (const auto& [pid, seconds] : seen)
        cpu += seconds - (before.contains(pid) ? before.at(pid) : 0);
    result.p50 = bench::percentile(samples, 0.5) / 1000;
    result.p99 = bench::percentile(samples, 0.99) / 1000;
    result.max = bench::percentile(samples, 1.0) / 1000;
    result.firstP50 = bench::percentile(firsts, 0.5) / 1000;
    result.serverCpuPercent = 100 * cpu / wall;
    result.keystrokes = samples.size();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--client") == 0)
        return client(argv[2], static_cast<std::size_t>(std::atol(argv[3])), std::atoi(argv[4]));
    std::vector<std::size_t> sizes;
    std::vector<int> clientCounts;
    int paceMs = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rows") == 0)
            sizes.push_back(static_cast<std::size_t>(std::atoll(argv[i + 1])));
        else if (std::strcmp(argv[i], "--clients") == 0)
            clientCounts.push_back(std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--pace") == 0)
            paceMs = std::atoi(argv[i + 1]);
        else
            fail(std::string("unknown option ") + argv[i]);
    }
    if (argc % 2 == 0)
        fail("usage: veltra-bench-postgresql [--rows N]... [--clients N]... [--pace MS]");
    if (sizes.empty())
        sizes = {1'000'000, 10'000'000};
    if (clientCounts.empty())
        clientCounts = {1, 10, 50};
    for (const auto rows : sizes)
        prepareTable(rows);
    std::printf("| rows | clients | keystrokes | p50 (ms) | p99 (ms) | max (ms) | first search "
                "p50 (ms) | server CPU (%% of one core) | client peak memory (MB) |\n"
                "|---|---|---|---|---|---|---|---|---|\n");
    for (const auto rows : sizes)
        for (const int clients : clientCounts) {
            const auto r = measure(rows, clients, paceMs);
            std::printf("| %zu | %d | %zu | %.2f | %.2f | %.2f | %.1f | %.0f | %.1f |\n", rows,
                        clients, r.keystrokes, r.p50, r.p99, r.max, r.firstP50, r.serverCpuPercent,
                        r.clientPeakMb);
            std::fflush(stdout);
        }
    return 0;
}

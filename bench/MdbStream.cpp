// veltra-bench-mdb-stream: stands in for veltra-mdb-reader in the Access benchmark. It
// answers in the reader's protocol with the rows of a generated people table (the SQLite
// file named by VELTRA_BENCH_PEOPLE), so that loading a table far larger than any Access
// file at hand can be measured: everything but mdbtools' own decoding, which the benchmark
// measures on the real reader.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>

namespace {

void put(const void* data, std::size_t size) {
    std::fwrite(data, 1, size, stdout);
}

int streamPeople(const char* file) {
    sqlite3* db = nullptr;
    sqlite3_stmt* rows = nullptr;
    if (sqlite3_open_v2(file, &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "SELECT Id, Nome FROM Pessoas", -1, &rows, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "veltra-bench-mdb-stream: %s\n", sqlite3_errmsg(db));
        return 1;
    }
    std::printf("VELTRA-MDB 1\n2\nId\nI\nNome\nT\n");
    while (sqlite3_step(rows) == SQLITE_ROW) {
        const std::int64_t id = sqlite3_column_int64(rows, 0);
        const auto size = static_cast<std::uint32_t>(sqlite3_column_bytes(rows, 1));
        put("RI", 2);
        put(&id, sizeof id);
        put("T", 1);
        put(&size, sizeof size);
        put(sqlite3_column_text(rows, 1), size);
    }
    put("E", 1);
    sqlite3_finalize(rows);
    sqlite3_close(db);
    return 0;
}

} // namespace

int main(int argc, char**) {
    const char* people = std::getenv("VELTRA_BENCH_PEOPLE");
    if (!people || (argc != 2 && argc != 3)) {
        std::fprintf(stderr,
                     "usage: VELTRA_BENCH_PEOPLE=FILE veltra-bench-mdb-stream FILE [TABLE]\n");
        return 2;
    }
    if (argc == 2) {
        std::printf("Pessoas\n");
        return 0;
    }
    return streamPeople(people);
}

// veltra-mdb-reader: reads an Access (.mdb, .accdb) file with mdbtools, in a process of its
// own, so that a file that makes mdbtools crash or hang costs only this process.
//
//   veltra-mdb-reader FILE           the names of the file's tables, one a line
//   veltra-mdb-reader FILE TABLE     the table, in the stream format below
//
// Stream: "VELTRA-MDB 1\n", the column count and, per column, its name and a type letter
// (I integer, F floating, T text), one a line; then per row an 'R' and a value per column:
// 'N' (null), or 'I'/'F' with 8 bytes (int64/double, this machine's byte order), or 'T' with
// a 4-byte length and that many UTF-8 bytes; 'E' at the end.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <glib.h> // before mdbtools.h, which includes it inside extern "C"
#include <mdbtools.h>
#include <memory>
#include <string>
#include <vector>

namespace {

// Room for a memo of a million bytes: mdbtools cuts a value at the bind size.
constexpr std::size_t kBindSize = 1 << 20;

char typeOf(int columnType) {
    switch (columnType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return 'I';
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return 'F';
    default:
        return 'T';
    }
}

void put(const void* data, std::size_t size) {
    std::fwrite(data, 1, size, stdout);
}

void putValue(char type, const char* text, int length) {
    if (length <= 0) {
        // mdbtools gives a null and an empty text alike: both are null here.
        put("N", 1);
        return;
    }
    const std::string value(text, static_cast<std::size_t>(length));
    if (type == 'I') {
        const std::int64_t number = std::strtoll(value.c_str(), nullptr, 10);
        put("I", 1);
        put(&number, sizeof number);
    } else if (type == 'F') {
        const double number = std::strtod(value.c_str(), nullptr);
        put("F", 1);
        put(&number, sizeof number);
    } else {
        const auto size = static_cast<std::uint32_t>(value.size());
        put("T", 1);
        put(&size, sizeof size);
        put(value.data(), value.size());
    }
}

bool isUserTable(const MdbCatalogEntry* entry) {
    return entry->object_type == MDB_TABLE && std::strncmp(entry->object_name, "MSys", 4) != 0;
}

int listTables(MdbHandle* mdb) {
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        const auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (isUserTable(entry))
            std::printf("%s\n", entry->object_name);
    }
    return 0;
}

int readTable(MdbHandle* mdb, char* name) {
    MdbTableDef* table = mdb_read_table_by_name(mdb, name, MDB_TABLE);
    if (!table) {
        std::fprintf(stderr, "no table %s\n", name);
        return 3;
    }
    mdb_read_columns(table);
    mdb_rewind_table(table);
    const unsigned columns = table->num_cols;
    // Left uninitialised: a page the values never reach is never touched, so a wide table
    // does not cost a megabyte per column.
    std::vector<std::unique_ptr<char[]>> buffers(columns);
    std::vector<int> lengths(columns);
    std::vector<char> types(columns);
    std::printf("VELTRA-MDB 1\n%u\n", columns);
    for (unsigned c = 0; c < columns; ++c) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
        types[c] = typeOf(column->col_type);
        std::printf("%s\n%c\n", column->name, types[c]);
        buffers[c].reset(new char[kBindSize]);
        mdb_bind_column(table, static_cast<int>(c + 1), buffers[c].get(), &lengths[c]);
    }
    while (mdb_fetch_row(table)) {
        put("R", 1);
        for (unsigned c = 0; c < columns; ++c)
            putValue(types[c], buffers[c].get(), lengths[c]);
    }
    put("E", 1);
    mdb_free_tabledef(table);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: veltra-mdb-reader FILE [TABLE]\n");
        return 2;
    }
    MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb || !mdb_read_catalog(mdb, MDB_ANY)) {
        std::fprintf(stderr, "not an Access file: %s\n", argv[1]);
        return 3;
    }
    mdb_set_bind_size(mdb, kBindSize);
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    const int status = argc == 2 ? listTables(mdb) : readTable(mdb, argv[2]);
    std::fflush(stdout);
    mdb_close(mdb);
    return status;
}

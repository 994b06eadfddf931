// A file system over SQLite's own that fills the last 8 bytes of every page with a checksum
// of the rest when the page is written, and checks it when the page is read. SQLite leaves
// those bytes alone once told to reserve them (SQLITE_FCNTL_RESERVE_BYTES), and writes the
// pages of a file in order, the first page (whose header says so) first.
#include "sqlite/CheckedFiles.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <sqlite3.h>

namespace veltra::detail {

namespace {

constexpr int kChecksumBytes = 8;

struct CheckedFile {
    sqlite3_file base;
    sqlite3_file* real;
    bool database; // the database itself, not a journal
    bool checked;  // its pages carry checksums
};

// Room for our part ahead of the real file's, kept aligned for it.
constexpr int kOurPart = static_cast<int>((sizeof(CheckedFile) + 7) / 8 * 8);

sqlite3_vfs* realFileSystem = nullptr;

sqlite3_file* real(sqlite3_file* file) {
    return reinterpret_cast<CheckedFile*>(file)->real;
}

// Two running sums over the page's 32-bit words, each feeding the other.
void checksum(const unsigned char* data, int length, unsigned char* out) {
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    for (int i = 0; i + 8 <= length; i += 8) {
        std::uint32_t a = 0;
        std::uint32_t b = 0;
        std::memcpy(&a, data + i, 4);
        std::memcpy(&b, data + i + 4, 4);
        first += a + second;
        second += b + first;
    }
    std::memcpy(out, &first, 4);
    std::memcpy(out + 4, &second, 4);
}

// A whole page: a power of two from 512 bytes, at a multiple of its size.
bool isPage(int amount, sqlite3_int64 offset) {
    return amount >= 512 && (amount & (amount - 1)) == 0 && offset % amount == 0;
}

void noteHeader(CheckedFile* file, const void* data, int amount, sqlite3_int64 offset) {
    if (file->database && offset == 0 && amount >= 100)
        file->checked = hasChecksums(static_cast<const unsigned char*>(data), amount);
}

int checkedRead(sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
    auto* self = reinterpret_cast<CheckedFile*>(file);
    const int code = self->real->pMethods->xRead(self->real, data, amount, offset);
    if (code != SQLITE_OK)
        return code;
    noteHeader(self, data, amount, offset);
    if (self->checked && isPage(amount, offset)) {
        unsigned char expected[kChecksumBytes];
        const auto* page = static_cast<const unsigned char*>(data);
        checksum(page, amount - kChecksumBytes, expected);
        if (std::memcmp(expected, page + amount - kChecksumBytes, kChecksumBytes) != 0)
            return SQLITE_IOERR_DATA;
    }
    return SQLITE_OK;
}

int checkedWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    auto* self = reinterpret_cast<CheckedFile*>(file);
    noteHeader(self, data, amount, offset);
    if (self->checked && isPage(amount, offset)) {
        // The reserved bytes are the file system's own: SQLite lets it write them.
        auto* page = static_cast<unsigned char*>(const_cast<void*>(data));
        checksum(page, amount - kChecksumBytes, page + amount - kChecksumBytes);
    }
    return self->real->pMethods->xWrite(self->real, data, amount, offset);
}

int checkedClose(sqlite3_file* file) {
    return real(file)->pMethods ? real(file)->pMethods->xClose(real(file)) : SQLITE_OK;
}

// Pages are read through checkedRead only: never mapped into memory.
int checkedFetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** pages) {
    auto* self = reinterpret_cast<CheckedFile*>(file);
    if (self->checked || self->real->pMethods->iVersion < 3) {
        *pages = nullptr;
        return SQLITE_OK;
    }
    return self->real->pMethods->xFetch(self->real, offset, amount, pages);
}

int checkedUnfetch(sqlite3_file* file, sqlite3_int64 offset, void* pages) {
    if (!pages)
        return SQLITE_OK;
    return real(file)->pMethods->xUnfetch(real(file), offset, pages);
}

// The rest goes to the real file as it is.
const sqlite3_io_methods kMethods = {
    3,
    checkedClose,
    checkedRead,
    checkedWrite,
    [](sqlite3_file* f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); },
    [](sqlite3_file* f, int flags) { return real(f)->pMethods->xSync(real(f), flags); },
    [](sqlite3_file* f, sqlite3_int64* size) {
        return real(f)->pMethods->xFileSize(real(f), size);
    },
    [](sqlite3_file* f, int lock) { return real(f)->pMethods->xLock(real(f), lock); },
    [](sqlite3_file* f, int lock) { return real(f)->pMethods->xUnlock(real(f), lock); },
    [](sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); },
    [](sqlite3_file* f, int op, void* arg) {
        return real(f)->pMethods->xFileControl(real(f), op, arg);
    },
    [](sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); },
    [](sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); },
    [](sqlite3_file* f, int page, int size, int extend, void volatile** map) {
        return real(f)->pMethods->xShmMap(real(f), page, size, extend, map);
    },
    [](sqlite3_file* f, int offset, int n, int flags) {
        return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
    },
    [](sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); },
    [](sqlite3_file* f, int remove) { return real(f)->pMethods->xShmUnmap(real(f), remove); },
    checkedFetch,
    checkedUnfetch,
};

int checkedOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    auto* self = reinterpret_cast<CheckedFile*>(file);
    self->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + kOurPart);
    self->database = (flags & SQLITE_OPEN_MAIN_DB) != 0;
    self->checked = false;
    const int code = realFileSystem->xOpen(realFileSystem, name, self->real, flags, outFlags);
    self->base.pMethods = code == SQLITE_OK ? &kMethods : nullptr;
    return code;
}

sqlite3_vfs checkedFileSystem;

} // namespace

bool hasChecksums(const unsigned char* header, int length) {
    return length >= 100 && std::memcmp(header, "SQLite format 3", 16) == 0 &&
           header[20] == kChecksumBytes;
}

void registerCheckedFiles() {
    static std::once_flag once;
    std::call_once(once, [] {
        realFileSystem = sqlite3_vfs_find(nullptr);
        checkedFileSystem = *realFileSystem;
        checkedFileSystem.zName = kCheckedFileSystem;
        checkedFileSystem.szOsFile = kOurPart + realFileSystem->szOsFile;
        checkedFileSystem.xOpen = checkedOpen;
        sqlite3_vfs_register(&checkedFileSystem, 0);
    });
}

void keepChecksums(sqlite3* db) {
    int reserve = kChecksumBytes;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_RESERVE_BYTES, &reserve);
}

} // namespace veltra::detail

// This file is not part of the API. Database files that keep a checksum in every page,
// checked on every read: the copies of the user's tables. A page altered by anything but
// SQLite (a disk fault, another program) fails to be read (SQLITE_IOERR_DATA) instead of
// showing altered rows.
#pragma once

struct sqlite3;

namespace veltra::detail {

// The SQLite file system (VFS) that opens such files: "vfs=veltra-checked" in a URI.
inline constexpr const char* kCheckedFileSystem = "veltra-checked";

// Makes the file system known to SQLite, once per process.
void registerCheckedFiles();
// Makes a new, empty database opened through that file system keep the checksums; before
// anything is written to it.
void keepChecksums(sqlite3* db);
// Whether a database file's header says that its pages carry checksums.
bool hasChecksums(const unsigned char* header, int length);

} // namespace veltra::detail

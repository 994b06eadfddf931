// Access files (.mdb from Jet 3 and 4, .accdb from ACE), read with mdbtools in a helper
// process of their own (veltra-mdb-reader) with a time limit: a file that would crash or
// hang mdbtools costs only the helper. Every failure is error 3343.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace veltra::detail {

enum class FileKind { SQLite, Access, Other };

// The kind of a database file by its first bytes, whatever its name.
FileKind fileKindOf(const std::string& path);

// Whether this build reads Access files.
bool accessSupported();

// The user tables of an Access file.
std::vector<std::string> accessTables(const std::string& path);

struct AccessColumn {
    std::string name;
    char type; // 'I' integer, 'F' floating, 'T' text
};
using AccessValue = std::variant<std::monostate, std::int64_t, double, std::string>;

// Reads one table: its columns first, then each row in turn.
void readAccessTable(const std::string& path, const std::string& table,
                     const std::function<void(const std::vector<AccessColumn>&)>& columns,
                     const std::function<void(const std::vector<AccessValue>&)>& row);

} // namespace veltra::detail

// A database engine behind the data control: it opens a database by its name and kind and
// runs the record sources' statements, written in the desktop-database dialect, handing
// back their rows one at a time. SQLite (a file; an Access file read into it) and
// PostgreSQL (a server) are the engines.
#pragma once

#include "veltra/Types.h"
#include "veltra/data/DataControl.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veltra {

// The rows of one result, read as they are asked for.
class RowSet::Cursor {
  public:
    virtual ~Cursor() = default;
    // The next row, or nothing at the end of the result; a failure to read throws.
    virtual std::optional<Row> next() = 0;
    // The first row of the whole result, in its order, whose column (named column, at
    // index) shows exactly the text; asked of the database, so that rows not read yet need
    // not be read. Throws when the result cannot be asked again.
    virtual std::optional<Row> findFirst(const String& column, std::size_t index,
                                         const String& text) = 0;
};

namespace detail {

// The most text one row of a result may hold: a bigger row ends its statement with 3047
// instead of growing the program's memory with what a table (or a statement) makes.
inline constexpr int kMaxRowBytes = 1 << 20;
[[noreturn]] void rowTooLarge();

struct Result {
    std::vector<String> columns;
    std::unique_ptr<RowSet::Cursor> cursor;
};

class Engine {
  public:
    virtual ~Engine() = default;
    // Whether this engine reads the database of that name and kind as it is now.
    virtual bool opens(const String& name, const String& connect) const = 0;
    // Runs one statement of the dialect; throws veltra::Error.
    virtual Result run(const std::string& statement) = 0;
    // How the engine answers the statement, with the indexes it uses; for tests and the
    // benchmarks.
    virtual std::string queryPlan(const std::string& statement) = 0;
};

// Opens the database: Connect "" or beginning with "Access" (any case) or ";" is a file
// (SQLite or Access), "PostgreSQL" (any case, alone or followed by ";" and libpq settings)
// a server; anything else fails with 3170.
std::shared_ptr<Engine> openEngine(const String& name, const String& connect);
// Whether the connect kind opens a file (the database name is a path).
bool connectNamesFile(const String& connect);
// The database name and connect kind as a form may keep them: no password, whatever the
// engine.
String savedDatabaseName(const String& name, const String& connect);
String savedConnect(const String& connect);
// The text a field shows: a null shows as empty.
String shownText(const Variant& value);

} // namespace detail

} // namespace veltra

// Any bytes as a database file, seeded with real Access files: the data source reads it or
// refuses it with an error; the host never crashes and never waits past the reader's time
// limit, whatever the bytes do to mdbtools.
#include "FuzzSupport.h"
#include "veltra/Error.h"
#include "veltra/data/DataControl.h"

#include <fstream>

namespace {

// A folder of its own, removed at exit; each input gets a new file name, so that no
// connection can take it for the file before.
struct Scratch {
    Scratch() { setenv("VELTRA_MDB_TIME_LIMIT", "1", 1); }
    veltra::TemporaryFolder folder{"veltra-fuzz-access"};
    unsigned next = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra;
    static Scratch scratch;
    const auto file = scratch.folder.path() / ("f" + std::to_string(scratch.next++) + ".mdb");
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    // One data source, as one control keeps: a file that makes the reader hang costs the
    // time limit once, and the later statements fail at once.
    DataControl source;
    source.DatabaseName(fromUtf8(file.string()));
    for (const char16_t* statement :
         {u"SELECT * FROM Table1", u"SELECT * FROM [Table]", u"SELECT count(*) FROM Test"}) {
        try {
            source.RecordSource(statement);
            source.Refresh();
            for (std::size_t i = 0; source.rows()->fetch(i); ++i)
                for (const Variant& value : source.rows()->row(i))
                    fuzz::require(!value.isEmpty(), "a field without a value");
        } catch (const Error& error) {
            fuzz::require(error.number() != 0, "an error without its number");
        }
    }
    std::filesystem::remove(file);
    return 0;
}

// Any statement in the dialect, translated and run on a small database, and any like
// pattern matched against any text. The file never changes.
#include "FuzzSupport.h"
#include "data/Folding.h"
#include "data/dialect/Statement.h"
#include "veltra/Error.h"
#include "veltra/data/DataControl.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra;
    static fuzz::SmallDatabase database;
    fuzz::Input input(data, size);
    const String pattern = input.text();
    const String text = input.text();
    try {
        dialect::LikePattern like(toUtf8(pattern));
        const bool matches = like.matches(toUtf8(text));
        if (like.isLiteral())
            fuzz::require(matches == (dialect::compareFolded(toUtf8(pattern), toUtf8(text)) == 0),
                          "a literal pattern disagrees with the folded comparison");
    } catch (const std::invalid_argument&) {
    }
    const String statement = fromUtf8(input.rest());
    try {
        dialect::Statement{toUtf8(statement)};
    } catch (const Error&) {
    }
    DataControl source;
    source.DatabaseName(fromUtf8(database.path()));
    source.RecordSource(statement);
    try {
        source.Refresh();
        for (std::size_t i = 0; i < 100 && source.rows()->fetch(i); ++i) {
        }
    } catch (const Error&) {
    }
    fuzz::require(database.unchanged(), "the database file changed");
    return 0;
}

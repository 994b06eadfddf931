// Telling an Access file by its first bytes; whether this build reads Access files.
#include "access/AccessFile.h"

#include <fstream>
#include <string_view>

namespace veltra::detail {

FileKind fileKindOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[32] = {};
    in.read(head, sizeof head);
    const std::string_view bytes(head, static_cast<std::size_t>(in.gcount()));
    if (bytes.starts_with(std::string_view("SQLite format 3\0", 16)))
        return FileKind::SQLite;
    if (bytes.size() >= 19 &&
        (bytes.substr(4, 15) == "Standard Jet DB" || bytes.substr(4, 15) == "Standard ACE DB"))
        return FileKind::Access;
    return FileKind::Other;
}

bool accessSupported() {
#ifdef VELTRA_ACCESS_READER
    return true;
#else
    return false;
#endif
}

} // namespace veltra::detail

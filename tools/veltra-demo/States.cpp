#include "States.h"

#include "veltra/Error.h"
#include "veltra/Text.h"
#include "veltra/data/DataControl.h"

#include <cstdio>

namespace veltra::demo {

std::vector<std::pair<String, int>> states(const String& connect, const String& database) {
    std::vector<std::pair<String, int>> result{{u"Todos os estados", 0}};
    DataControl data;
    data.Connect(connect);
    data.DatabaseName(database);
    data.RecordSource(u"SELECT Id, Sigla, Nome FROM Estados ORDER BY Sigla");
    try {
        data.Refresh();
        const auto rows = data.rows();
        for (std::size_t i = 0; rows->fetch(i); ++i) {
            const auto& row = rows->row(i);
            result.emplace_back(row[1].toText() + u" - " + row[2].toText(),
                                static_cast<int>(row[0].toInteger()));
        }
    } catch (const Error& error) {
        std::fprintf(stderr, "veltra-demo: %s: estados: %s\n", toUtf8(database).c_str(),
                     error.what());
    }
    return result;
}

} // namespace veltra::demo

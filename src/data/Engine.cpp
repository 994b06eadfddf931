#include "Engine.h"

#include "Errors.h"
#include "sqlite/SqliteEngine.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#ifdef VELTRA_POSTGRESQL
#include "postgres/PostgresEngine.h"
#endif

namespace veltra::detail {

namespace {

bool connectOpensFile(const String& connect) {
    return connect.empty() || connect.front() == u';' ||
           lowerCase(connect.substr(0, 6)) == u"access";
}

} // namespace

void rowTooLarge() {
    fail(DataError::RowTooLarge, {std::to_string(kMaxRowBytes / (1 << 20))});
}

String shownText(const Variant& value) {
    return value.isNull() ? String() : value.toText();
}

bool connectNamesFile(const String& connect) {
    return connectOpensFile(connect);
}

String savedDatabaseName(const String& name, [[maybe_unused]] const String& connect) {
#ifdef VELTRA_POSTGRESQL
    if (connectNamesServer(connect))
        return savedServerName(name);
#endif
    return name;
}

String savedConnect(const String& connect) {
#ifdef VELTRA_POSTGRESQL
    if (connectNamesServer(connect))
        return savedServerConnect(connect);
#endif
    return connect;
}

std::shared_ptr<Engine> openEngine(const String& name, const String& connect) {
#ifdef VELTRA_POSTGRESQL
    if (connectNamesServer(connect))
        return openPostgres(name, connect);
#endif
    if (!connectOpensFile(connect))
        fail(DataError::UnknownConnect, {toUtf8(connect)});
    if (name.empty())
        fail(DataError::FileNotFound, {""});
    return openSqlite(name, connect);
}

} // namespace veltra::detail

// This file is not part of the API. A thin ownership layer over libpq: a connection and a
// result that free themselves.
#pragma once

#include <libpq-fe.h>
#include <memory>

namespace veltra::detail::pq {

struct ConnectionDeleter {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
using Connection = std::unique_ptr<PGconn, ConnectionDeleter>;

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

struct ConninfoDeleter {
    void operator()(PQconninfoOption* options) const { PQconninfoFree(options); }
};
using Conninfo = std::unique_ptr<PQconninfoOption, ConninfoDeleter>;

} // namespace veltra::detail::pq

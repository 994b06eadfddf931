// The PostgreSQL form: the immutable folding function veltra_fold, an expression index on
// the folded column in the "C" collation (prefix ranges and ORDER BY read it in order), and
// a trigram GIN index on the same expression for searches inside the text, which Veltra
// writes as regular expressions. The folded index also holds the column itself and the
// key column when one is named, so that a search reads the index only: folding a name
// again for every row read costs more than the rest of the search. A table that is schema-qualified
// (escola.alunos) keeps its indexes in its schema; the function goes to the first schema of the
// search path.
#include "PostgresIndex.h"

#include "data/Dialect.h"
#include "data/postgres/Pq.h"

#include <iostream>
#include <string>

namespace veltra::index {

namespace {

using detail::pq::Connection;
using detail::pq::Result;

// A name as PostgreSQL reads an unquoted one, quoted; a schema-qualified name part by part.
std::string serverName(const std::string& name) {
    const auto dot = name.find('.');
    if (dot != std::string::npos)
        return serverName(name.substr(0, dot)) + "." + serverName(name.substr(dot + 1));
    return dialect::quoteName(dialect::asciiLower(name));
}

std::string unqualified(const std::string& name) {
    return name.substr(name.rfind('.') + 1);
}

} // namespace

int indexServerTable(const char* conninfo, const char* table, const char* column, const char* key) {
    const Connection connection(PQconnectdb(conninfo));
    if (PQstatus(connection.get()) != CONNECTION_OK) {
        std::cerr << "veltra-index: " << PQerrorMessage(connection.get());
        return 1;
    }
    PQsetNoticeProcessor(
        connection.get(), [](void*, const char*) {}, nullptr);
    const std::string tableName = table;
    const std::string schema = tableName.substr(0, tableName.rfind('.') + 1); // with its dot
    const std::string base = dialect::asciiLower(unqualified(tableName) + "_" + column);
    const std::string folded = "(veltra_fold(" + serverName(column) + "))";
    // Indexes made by an earlier release are made again: the folding may have changed.
    const std::string statements[] = {
        "BEGIN",
        "CREATE EXTENSION IF NOT EXISTS pg_trgm",
        dialect::foldFunctionDefinition(),
        "DROP INDEX IF EXISTS " + serverName(schema + base + "_veltra"),
        "CREATE INDEX " + serverName(base + "_veltra") + " ON " + serverName(tableName) + " (" +
            folded + " COLLATE \"C\") INCLUDE (" + serverName(column) +
            (key ? ", " + serverName(key) : std::string()) + ")",
        "DROP INDEX IF EXISTS " + serverName(schema + base + "_veltra_trgm"),
        "CREATE INDEX " + serverName(base + "_veltra_trgm") + " ON " + serverName(tableName) +
            " USING gin (" + folded + " gin_trgm_ops)",
        "COMMIT",
        // The visibility map lets the index answer alone.
        "VACUUM ANALYZE " + serverName(tableName),
    };
    for (const auto& sql : statements) {
        const Result result(PQexec(connection.get(), sql.c_str()));
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
            std::cerr << "veltra-index: " << PQerrorMessage(connection.get());
            return 1;
        }
    }
    std::cout << "Indexes " << base << "_veltra and " << base << "_veltra_trgm ready on "
              << PQhost(connection.get()) << ":" << PQport(connection.get()) << ", database "
              << PQdb(connection.get()) << '\n';
    return 0;
}

} // namespace veltra::index

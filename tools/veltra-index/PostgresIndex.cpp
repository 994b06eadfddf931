// The PostgreSQL form: the immutable folding function veltra_fold, an expression index on
// the folded column in the "C" collation (prefix ranges and ORDER BY read it in order), and
// a trigram GIN index on the same expression for searches inside the text, which Veltra
// writes as regular expressions. The folded index goes on with the exact text and the key
// column when one is named, the order in which Veltra's statements take rows that fold
// alike, so that a search reads the index only and sorts nothing: folding a name again
// for every row read costs more than the rest of the search. A table that is
// schema-qualified (escola.alunos) keeps its indexes in its schema; the function goes to
// the first schema of the search path.
#include "PostgresIndex.h"

#include "dialect/Emitter.h"
#include "postgres/PostgresDialect.h"
#include "postgres/PostgresSettings.h"
#include "postgres/Pq.h"

#include <cstdint>
#include <iostream>
#include <string>

namespace veltra::index {

namespace {

using detail::pq::Connection;
using detail::pq::Result;

// The longest name the server keeps whole; a longer one is cut.
constexpr std::size_t kMaxNameBytes = 63;

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

std::string digestOf(const std::string& text) {
    std::uint32_t hash = 2166136261U;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619U;
    }
    constexpr char hex[] = "0123456789abcdef";
    std::string digest;
    for (int shift = 28; shift >= 0; shift -= 4)
        digest += hex[(hash >> shift) & 0xF];
    return digest;
}

// The extra columns the index carries for the index alone to answer, after its key.
std::string included(const std::vector<std::string>& covered) {
    std::string columns;
    for (const auto& column : covered)
        columns += (columns.empty() ? "" : ", ") + serverName(column);
    return columns.empty() ? "" : " INCLUDE (" + columns + ")";
}

// The indexes' names: base and suffix, with the base cut (at a character's start) and told
// apart by a digest of the whole when the server would cut the name, so that the names of
// two indexes never become one.
std::string indexName(const std::string& base, const std::string& suffix) {
    if (base.size() + suffix.size() <= kMaxNameBytes)
        return base + suffix;
    std::size_t keep = kMaxNameBytes - suffix.size() - 9;
    while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80)
        --keep;
    return base.substr(0, keep) + "_" + digestOf(base) + suffix;
}

} // namespace

int indexServerTable(const char* conninfo, const char* table, const char* column, const char* key,
                     const std::vector<std::string>& covered) {
    detail::pg::Settings settings;
    try {
        settings = detail::pg::settingsOf(conninfo);
    } catch (const std::exception& error) {
        std::cerr << "veltra-index: " << error.what() << '\n';
        return 1;
    }
    const Connection connection(PQconnectdb(conninfo));
    const auto failed = [&] {
        std::cerr << "veltra-index: "
                  << detail::pg::withoutSecrets(PQerrorMessage(connection.get()), settings);
        return 1;
    };
    if (PQstatus(connection.get()) != CONNECTION_OK)
        return failed();
    PQsetNoticeProcessor(
        connection.get(), [](void*, const char*) {}, nullptr);
    const std::string tableName = table;
    const std::string schema = tableName.substr(0, tableName.rfind('.') + 1); // with its dot
    const std::string base = dialect::asciiLower(unqualified(tableName) + "_" + column);
    const std::string folded = "(veltra_fold(" + serverName(column) + "))";
    const std::string ordered = indexName(base, "_veltra");
    const std::string trigrams = indexName(base, "_veltra_trgm");
    // Indexes made by an earlier release are made again: the folding may have changed.
    const std::string statements[] = {
        "BEGIN",
        "CREATE EXTENSION IF NOT EXISTS pg_trgm",
        detail::foldFunctionDefinition(),
        "DROP INDEX IF EXISTS " + serverName(schema + ordered),
        "CREATE INDEX " + serverName(ordered) + " ON " + serverName(tableName) + " (" + folded +
            " COLLATE \"C\", " + serverName(column) + " COLLATE \"C\"" +
            (key ? ", " + serverName(key) : std::string()) + ")" + included(covered),
        "DROP INDEX IF EXISTS " + serverName(schema + trigrams),
        "CREATE INDEX " + serverName(trigrams) + " ON " + serverName(tableName) + " USING gin (" +
            folded + " gin_trgm_ops)",
        "COMMIT",
        // The visibility map lets the index answer alone.
        "VACUUM ANALYZE " + serverName(tableName),
    };
    for (const auto& sql : statements) {
        const Result result(PQexec(connection.get(), sql.c_str()));
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
            return failed();
    }
    std::cout << "Indexes " << ordered << " and " << trigrams << " ready on "
              << PQhost(connection.get()) << ":" << PQport(connection.get()) << ", database "
              << PQdb(connection.get()) << '\n';
    return 0;
}

} // namespace veltra::index

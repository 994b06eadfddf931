#include "postgres/PostgresSession.h"
#include "Errors.h"

#include "veltra/Error.h"
#include "veltra/Text.h"

#include <poll.h>

namespace veltra::detail::pg {

namespace {

// The settings every session gets: read-only, a statement time limit, no transaction left
// idle for long. The connect kind's own options come after them and may change the limits,
// never the read-only state, which is set again after them and by every transaction.
constexpr const char* kSessionOptions = "-c default_transaction_read_only=on "
                                        "-c statement_timeout=10000 "
                                        "-c idle_in_transaction_session_timeout=60000";

// Connection settings that make a hung network fail instead of waiting for ever.
const Settings kConnectionDefaults = {{"connect_timeout", "5"},      {"keepalives", "1"},
                                      {"keepalives_idle", "15"},     {"keepalives_interval", "5"},
                                      {"keepalives_count", "3"},     {"tcp_user_timeout", "20000"},
                                      {"application_name", "veltra"}};

constexpr const char* kBegin = "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY";

// The relations a statement may read, each with the key that orders its rows as stored:
// a whole-number primary key of one column, else the row's place (ctid); views and foreign
// tables have neither.
constexpr const char* kTablesQuery =
    "SELECT lower(n.nspname), lower(c.relname), pg_table_is_visible(c.oid), "
    "COALESCE((SELECT lower(a.attname) FROM pg_index i JOIN pg_attribute a "
    "ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] WHERE i.indrelid = c.oid "
    "AND i.indisprimary AND i.indnatts = 1 AND a.atttypid IN (20, 21, 23)), "
    "CASE WHEN c.relkind IN ('r', 'm', 'p') THEN 'ctid' ELSE '' END) "
    "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
    "WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f') "
    "AND n.nspname NOT IN ('pg_catalog', 'information_schema') "
    "AND n.nspname NOT LIKE 'pg\\_toast%' AND n.nspname NOT LIKE 'pg\\_temp%'";

constexpr const char* kColumnsQuery =
    "SELECT DISTINCT lower(a.attname), t.typcategory = 'S' FROM pg_attribute a "
    "JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
    "JOIN pg_type t ON t.oid = a.atttypid WHERE a.attnum > 0 AND NOT a.attisdropped "
    "AND c.relkind IN ('r', 'p', 'v', 'm', 'f') "
    "AND n.nspname NOT IN ('pg_catalog', 'information_schema')";

std::string extraSettings(const String& connect) {
    const auto semicolon = connect.find(u';');
    return semicolon == String::npos ? std::string() : toUtf8(connect.substr(semicolon + 1));
}

std::string firstLine(const char* message) {
    std::string text = message ? message : "";
    if (const auto end = text.find('\n'); end != std::string::npos)
        text.erase(end);
    return text;
}

} // namespace

Session::Session(const String& name, const String& connect) : name_(name), connect_(connect) {
    auto settings = kConnectionDefaults;
    std::string options = kSessionOptions;
    for (const auto& source : {settingsOfName(toUtf8(name)), settingsOf(extraSettings(connect))})
        for (const auto& [keyword, value] : source) {
            if (keyword == "options")
                options += " " + value;
            else
                settings[keyword] = value;
        }
    options += " -c default_transaction_read_only=on";
    statementLimit_ = statementTimeoutIn(options);
    settings["options"] = options;
    settings_ = std::move(settings);
    connectToServer();
}

bool Session::opens(const String& name, const String& connect) const {
    return name == name_ && connect == connect_ && connection_ &&
           PQstatus(connection_.get()) == CONNECTION_OK;
}

const PostgresCatalog& Session::catalog() {
    if (catalogStale_)
        readCatalog();
    return catalog_;
}

void Session::open(TransactionOwner* owner) {
    if (inTransaction_)
        endTransaction();
    if (!connection_ || PQstatus(connection_.get()) != CONNECTION_OK)
        connectToServer();
    try {
        begin();
    } catch (const Error& error) {
        if (error.number() != ErrorNumber::ServerUnreachable)
            throw;
        // The session was lost (the server restarted, or ended a transaction left idle too
        // long): the owner reads on over a new connection.
        connectToServer();
        begin();
    }
    owner_ = owner;
}

void Session::forget(TransactionOwner* owner) {
    if (owner_ == owner && inTransaction_)
        endTransaction();
}

void Session::begin() {
    execute(kBegin, {}, nullptr, {}, Outside::Allowed);
    inTransaction_ = true;
    ++transactions_;
}

// Never throws: a transaction that cannot end ends with its connection.
void Session::endTransaction() {
    owner_ = nullptr;
    inTransaction_ = false;
    try {
        execute("COMMIT", {}, nullptr, {}, Outside::Allowed);
    } catch (const Error&) {
        connection_.reset();
    }
}

pq::Result Session::execute(const std::string& sql, const std::vector<std::string>& parameters,
                            const dialect::Translation* translation, Sending sending,
                            Outside outside) {
    if (!connection_)
        detail::fail(DataError::ServerLost, {server_});
    if (!inTransaction_ && outside != Outside::Allowed)
        detail::fail(DataError::OutsideTransaction);
    std::vector<const char*> values;
    for (const auto& parameter : parameters)
        values.push_back(parameter.c_str());
    std::vector<Oid> types;
    const std::size_t translated = translation ? translation->parameters().size() : 0;
    for (std::size_t i = 0; i < parameters.size(); ++i)
        types.push_back(i >= translated                   ? sending.lastType
                        : translation->parameterIsText(i) ? kTextType
                                                          : 0);
    const int count = static_cast<int>(parameters.size());
    pq::Result result;
    if (sending.prepared) {
        const auto [statement, isNew] =
            prepared_.try_emplace(sql, "veltra_p" + std::to_string(prepared_.size() + 1));
        if (isNew && PQsendPrepare(connection_.get(), statement->second.c_str(), sql.c_str(), count,
                                   types.data()))
            result = awaitResult();
        if (isNew && (!result || PQresultStatus(result.get()) != PGRES_COMMAND_OK)) {
            prepared_.erase(statement);
            fail(result.get(), parameters, translation);
        }
        if (PQsendQueryPrepared(connection_.get(), statement->second.c_str(), count, values.data(),
                                nullptr, nullptr, 0))
            result = awaitResult();
    } else if (PQsendQueryParams(connection_.get(), sql.c_str(), count, types.data(), values.data(),
                                 nullptr, nullptr, 0)) {
        result = awaitResult();
    }
    const auto status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result.get(), parameters, translation);
    return result;
}

// The result of the statement sent, waited for no longer than the statement time limit and
// a second: on a network that hangs, the server's own limit cannot answer. The connection
// is then given up, and the next search connects again.
pq::Result Session::awaitResult() {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + statementLimit_ + std::chrono::seconds(1);
    pq::Result kept;
    for (;;) {
        while (PQisBusy(connection_.get())) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (statementLimit_.count() > 0 && left.count() <= 0) {
                connection_.reset();
                inTransaction_ = false;
                owner_ = nullptr;
                detail::fail(DataError::ServerTimeout, {server_});
            }
            pollfd socket{PQsocket(connection_.get()), POLLIN, 0};
            ::poll(&socket, 1, statementLimit_.count() > 0 ? static_cast<int>(left.count()) : -1);
            if (!PQconsumeInput(connection_.get()))
                return kept;
        }
        pq::Result next(PQgetResult(connection_.get()));
        if (!next)
            return kept;
        // The first error is the statement's; later results only end it.
        if (!kept || PQresultStatus(kept.get()) != PGRES_FATAL_ERROR)
            kept = std::move(next);
    }
}

// Read in a transaction of the session's own, so that it sees the catalogue as it is now.
void Session::readCatalog() {
    catalogStale_ = false;
    TransactionOwner reading;
    open(&reading);
    PostgresCatalog catalog;
    try {
        const auto fold =
            execute("SELECT to_regprocedure('veltra_fold(text)') IS NOT NULL", {}, nullptr);
        if (std::string_view(PQgetvalue(fold.get(), 0, 0)) == "t")
            catalog.foldFunction = "veltra_fold";
        const auto tables = execute(kTablesQuery, {}, nullptr);
        for (int row = 0; row < PQntuples(tables.get()); ++row) {
            const std::string schema = PQgetvalue(tables.get(), row, 0);
            const std::string table = PQgetvalue(tables.get(), row, 1);
            const std::string key = PQgetvalue(tables.get(), row, 3);
            catalog.rowKeys[schema + "." + table] = key;
            if (std::string_view(PQgetvalue(tables.get(), row, 2)) == "t")
                catalog.rowKeys.emplace(table, key);
        }
        const auto columns = execute(kColumnsQuery, {}, nullptr);
        for (int row = 0; row < PQntuples(columns.get()); ++row) {
            const std::string column = PQgetvalue(columns.get(), row, 0);
            catalog.columns.insert(column);
            if (std::string_view(PQgetvalue(columns.get(), row, 1)) == "t")
                catalog.textColumns.insert(column);
        }
    } catch (...) {
        forget(&reading);
        catalogStale_ = true;
        throw;
    }
    forget(&reading);
    catalog_ = std::move(catalog);
}

void Session::connectToServer() {
    std::vector<const char*> keywords;
    std::vector<const char*> values;
    for (const auto& [keyword, value] : settings_) {
        keywords.push_back(keyword.c_str());
        values.push_back(value.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    prepared_.clear();
    owner_ = nullptr;
    inTransaction_ = false;
    connection_.reset(PQconnectdbParams(keywords.data(), values.data(), 0));
    if (!connection_ || PQstatus(connection_.get()) != CONNECTION_OK)
        failToConnect();
    // The server's notices are for its log, not the host program's standard error.
    PQsetNoticeProcessor(
        connection_.get(), [](void*, const char*) {}, nullptr);
    server_ = std::string(PQhost(connection_.get())) + ":" + PQport(connection_.get()) +
              ", banco de dados '" + PQdb(connection_.get()) + "'";
    readCatalog();
}

void Session::failToConnect() const {
    const std::string message =
        withoutSecrets(firstLine(PQerrorMessage(connection_.get())), settings_);
    const std::string where =
        std::string(PQhost(connection_.get()) ? PQhost(connection_.get()) : "") + ":" +
        (PQport(connection_.get()) ? PQport(connection_.get()) : "");
    if (message.find("authentication failed") != std::string::npos ||
        message.find("password") != std::string::npos)
        detail::fail(DataError::InvalidAccount, {where});
    if (message.find("does not exist") != std::string::npos)
        detail::fail(DataError::DatabaseNotFound, {PQdb(connection_.get()), where});
    detail::fail(DataError::ServerUnreachable, {where, message});
}

} // namespace veltra::detail::pg

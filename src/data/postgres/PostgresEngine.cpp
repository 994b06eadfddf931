// The PostgreSQL engine: a table on a database server shared by many clients, searched as
// a file is. One connection per data control; every session read-only with time limits;
// the rows of the latest result read through a cursor in a read-only transaction, a
// hundred at a time.
#include "data/postgres/PostgresEngine.h"

#include "data/Dialect.h"
#include "data/postgres/Pq.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <poll.h>
#include <regex>

namespace veltra::detail {

namespace {

constexpr int kRowsPerFetch = 100;
constexpr Oid kTextType = 25;
constexpr Oid kBigintType = 20;
constexpr Oid kIntegerType = 23;
constexpr Oid kSmallintType = 21;

bool isWholeNumberType(Oid type) {
    return type == kBigintType || type == kIntegerType || type == kSmallintType;
}

// Whether a value of that whole-number type shows exactly this text.
bool showsWholeNumber(const std::string& text, Oid type) {
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || std::to_string(number) != text)
        return false;
    const std::int64_t limit = type == kSmallintType  ? INT16_MAX
                               : type == kIntegerType ? INT32_MAX
                                                      : INT64_MAX;
    return number <= limit && number >= -limit - 1;
}

// The settings every session gets: read-only, a statement time limit, no transaction left
// idle for long. The connect kind's own options come after them and may change the limits,
// never the read-only state, which each transaction sets again.
constexpr const char* kSessionOptions = "-c default_transaction_read_only=on "
                                        "-c statement_timeout=10000 "
                                        "-c idle_in_transaction_session_timeout=60000";

// Connection settings that make a hung network fail instead of waiting for ever.
const std::map<std::string, std::string> kConnectionDefaults = {
    {"connect_timeout", "5"},      {"keepalives", "1"},       {"keepalives_idle", "15"},
    {"keepalives_interval", "5"},  {"keepalives_count", "3"}, {"tcp_user_timeout", "20000"},
    {"application_name", "veltra"}};

std::string firstLine(const char* message) {
    std::string text = message ? message : "";
    if (const auto end = text.find('\n'); end != std::string::npos)
        text.erase(end);
    return text;
}

// The libpq settings of a connection string or URI, and of the text after "PostgreSQL;".
std::map<std::string, std::string> settingsOf(const std::string& conninfo) {
    std::map<std::string, std::string> settings;
    if (conninfo.empty())
        return settings;
    char* error = nullptr;
    const pq::Conninfo parsed(PQconninfoParse(conninfo.c_str(), &error));
    if (!parsed) {
        const std::string why = firstLine(error);
        PQfreemem(error);
        throw Error(ErrorNumber::ServerUnreachable,
                    "A cadeia de conexão do servidor de banco de dados é inválida (" + why + ").");
    }
    for (auto* option = parsed.get(); option->keyword; ++option)
        if (option->val)
            settings[option->keyword] = option->val;
    return settings;
}

// The settings a database name gives: a connection string or URI, or else the name of a
// database on the server that the environment (PGHOST, a service file) points to.
std::map<std::string, std::string> settingsOfName(const std::string& name) {
    if (name.find('=') != std::string::npos || name.starts_with("postgresql://") ||
        name.starts_with("postgres://"))
        return settingsOf(name);
    if (name.empty())
        return {};
    return {{"dbname", name}};
}

// The subject of a server message: the first double-quoted text in it.
std::string quotedSubject(const std::string& message) {
    const auto open = message.find('"');
    const auto close = open == std::string::npos ? open : message.find('"', open + 1);
    return close == std::string::npos ? std::string() : message.substr(open + 1, close - open - 1);
}

// Reads a field of the text format as the value the data control keeps: whole numbers as
// integers, other numbers as doubles, truth values as Booleans, the rest as texts.
Variant valueOf(const PGresult* result, int row, int column) {
    if (PQgetisnull(result, row, column))
        return Null{};
    const char* text = PQgetvalue(result, row, column);
    switch (PQftype(result, column)) {
    case kBigintType:
    case kSmallintType:
    case kIntegerType:
    case 26: // oid
        return static_cast<std::int64_t>(std::strtoll(text, nullptr, 10));
    case 700:  // float4
    case 701:  // float8
    case 1700: // numeric
        if (std::string_view(text).find_first_of(".eEnN") == std::string_view::npos)
            return static_cast<std::int64_t>(std::strtoll(text, nullptr, 10));
        return std::strtod(text, nullptr);
    case 16: // bool
        return text[0] == 't';
    default:
        return fromUtf8(text);
    }
}

RowSet::Row rowOf(const PGresult* result, int row) {
    RowSet::Row values;
    const int columns = PQnfields(result);
    values.reserve(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c)
        values.push_back(valueOf(result, row, c));
    return values;
}

// How a statement is sent: prepared once per connection, so that the server plans it
// once (a lookup runs on every key); the type of a last parameter that is not the
// translation's.
struct Sending {
    bool prepared = false;
    Oid lastType = kTextType;
};

class PostgresCursor;

// One connection to the server and the one result whose transaction is open on it.
class Session {
  public:
    Session(const String& name, const String& connect) : name_(name), connect_(connect) {
        auto settings = kConnectionDefaults;
        std::string options = kSessionOptions;
        for (const auto& source :
             {settingsOfName(toUtf8(name)), settingsOf(extraSettings(connect))})
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

    bool opens(const String& name, const String& connect) const {
        return name == name_ && connect == connect_ && connection_ &&
               PQstatus(connection_.get()) == CONNECTION_OK;
    }
    // How statements are written for this database: its folding function and text
    // columns, read again after a statement met a table or column it did not know.
    const dialect::Target& target() {
        if (catalogStale_)
            readCatalog();
        return target_;
    }

    // Runs one statement; throws veltra::Error with the statement's names as written.

    pq::Result execute(const std::string& sql, const std::vector<std::string>& parameters,
                       const dialect::Translation* translation, Sending sending = {}) {
        std::vector<const char*> values;
        for (const auto& parameter : parameters)
            values.push_back(parameter.c_str());
        std::vector<Oid> types;
        const std::size_t translated = translation ? translation->parameters().size() : 0;
        for (std::size_t i = 0; i < parameters.size(); ++i)
            types.push_back(i >= translated                   ? sending.lastType
                            : translation->parameterIsText(i) ? kTextType
                                                              : 0);
        if (!connection_)
            throw Error(ErrorNumber::ServerUnreachable, "A conexão com o servidor de banco de "
                                                        "dados " +
                                                            server_ + " foi perdida.");
        const int count = static_cast<int>(parameters.size());
        pq::Result result;
        if (sending.prepared) {
            const auto [statement, isNew] =
                prepared_.try_emplace(sql, "veltra_p" + std::to_string(prepared_.size() + 1));
            if (isNew && PQsendPrepare(connection_.get(), statement->second.c_str(), sql.c_str(),
                                       count, types.data()))
                result = awaitResult();
            if (isNew && (!result || PQresultStatus(result.get()) != PGRES_COMMAND_OK)) {
                prepared_.erase(statement);
                fail(result.get(), parameters, translation);
            }
            if (PQsendQueryPrepared(connection_.get(), statement->second.c_str(), count,
                                    values.data(), nullptr, nullptr, 0))
                result = awaitResult();
        } else if (PQsendQueryParams(connection_.get(), sql.c_str(), count, types.data(),
                                     values.data(), nullptr, nullptr, 0)) {
            result = awaitResult();
        }
        const auto status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            fail(result.get(), parameters, translation);
        return result;
    }

    // The result whose transaction is open; a new one ends the transaction of the one
    // before, which reads on later in a transaction of its own.
    void open(PostgresCursor* cursor);
    void forget(PostgresCursor* cursor) {
        if (open_ == cursor)
            endTransaction();
    }
    bool isOpen(const PostgresCursor* cursor) const { return open_ == cursor; }
    std::string newCursorName() { return "veltra_" + std::to_string(++cursors_); }

  private:
    static std::string extraSettings(const String& connect) {
        const auto semicolon = connect.find(u';');
        return semicolon == String::npos ? std::string() : toUtf8(connect.substr(semicolon + 1));
    }

    // The statement time limit the session's options end with, in milliseconds; 0 for
    // none.
    static std::chrono::milliseconds statementTimeoutIn(const std::string& options) {
        static const std::regex setting(R"(statement_timeout\s*=\s*(\d+))");
        std::chrono::milliseconds limit{0};
        for (auto match = std::sregex_iterator(options.begin(), options.end(), setting);
             match != std::sregex_iterator(); ++match)
            limit = std::chrono::milliseconds(std::stoll((*match)[1].str()));
        return limit;
    }

    // The result of the statement sent, waited for no longer than the statement time limit
    // and a second: on a network that hangs, the server's own limit cannot answer. The
    // connection is then given up, and the next search connects again.
    pq::Result awaitResult() {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + statementLimit_ + std::chrono::seconds(1);
        pq::Result kept;
        for (;;) {
            while (PQisBusy(connection_.get())) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
                if (statementLimit_.count() > 0 && left.count() <= 0) {
                    connection_.reset();
                    throw Error(ErrorNumber::ServerTimeout,
                                "A instrução SQL excedeu o tempo limite do servidor " + server_ +
                                    ".");
                }
                pollfd socket{PQsocket(connection_.get()), POLLIN, 0};
                ::poll(&socket, 1,
                       statementLimit_.count() > 0 ? static_cast<int>(left.count()) : -1);
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

    void readCatalog() {
        catalogStale_ = false;
        target_ = {dialect::Target::Engine::PostgreSQL, "", {}};
        const auto fold =
            execute("SELECT to_regprocedure('veltra_fold(text)') IS NOT NULL", {}, nullptr);
        if (std::string_view(PQgetvalue(fold.get(), 0, 0)) == "t")
            target_.foldFunction = "veltra_fold";
        const auto columns =
            execute("SELECT DISTINCT lower(column_name) FROM information_schema.columns "
                    "WHERE data_type IN ('text', 'character varying', 'character') "
                    "AND table_schema NOT IN ('pg_catalog', 'information_schema')",
                    {}, nullptr);
        for (int row = 0; row < PQntuples(columns.get()); ++row)
            target_.textColumns.insert(PQgetvalue(columns.get(), row, 0));
    }

    void connectToServer() {
        std::vector<const char*> keywords;
        std::vector<const char*> values;
        for (const auto& [keyword, value] : settings_) {
            keywords.push_back(keyword.c_str());
            values.push_back(value.c_str());
        }
        keywords.push_back(nullptr);
        values.push_back(nullptr);
        prepared_.clear();
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

    // Never throws: a transaction that cannot end ends with its connection.
    void endTransaction() {
        open_ = nullptr;
        try {
            execute("COMMIT", {}, nullptr);
        } catch (const Error&) {
            connection_.reset();
        }
    }

    [[noreturn]] void failToConnect() const {
        const std::string message = firstLine(PQerrorMessage(connection_.get()));
        const std::string where =
            std::string(PQhost(connection_.get()) ? PQhost(connection_.get()) : "") + ":" +
            (PQport(connection_.get()) ? PQport(connection_.get()) : "");
        if (message.find("authentication failed") != std::string::npos ||
            message.find("password") != std::string::npos)
            throw Error(ErrorNumber::InvalidAccount,
                        "Nome de conta ou senha inválidos para o servidor " + where + ".");
        if (message.find("does not exist") != std::string::npos)
            throw Error(ErrorNumber::FileNotFound, "Não foi possível encontrar o banco de dados '" +
                                                       std::string(PQdb(connection_.get())) +
                                                       "' no servidor " + where + ".");
        throw Error(ErrorNumber::ServerUnreachable, "A conexão com o servidor de banco de dados " +
                                                        where + " falhou (" + message + ").");
    }

    [[noreturn]] void fail(const PGresult* result, const std::vector<std::string>& parameters,
                           const dialect::Translation* translation);

    String name_;
    String connect_;
    std::map<std::string, std::string> settings_;
    pq::Connection connection_;
    std::map<std::string, std::string> prepared_; // statement text to name
    std::string server_;
    std::chrono::milliseconds statementLimit_{0};
    dialect::Target target_;
    bool catalogStale_ = false;
    PostgresCursor* open_ = nullptr;
    int cursors_ = 0;
};

void Session::fail(const PGresult* result, const std::vector<std::string>& parameters,
                   const dialect::Translation* translation) {
    const char* code = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const std::string state = code ? code : "";
    if (state.starts_with("42"))
        catalogStale_ = true;
    const std::string message =
        firstLine(result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)
                         : PQerrorMessage(connection_.get()));
    const auto written = [&](const std::string& name) {
        return translation ? translation->asWritten(name) : name;
    };
    if (state.empty() || state.starts_with("08") || state.starts_with("57P") ||
        PQstatus(connection_.get()) != CONNECTION_OK)
        throw Error(ErrorNumber::ServerUnreachable, "A conexão com o servidor de banco de dados " +
                                                        server_ + " falhou (" + message + ").");
    if (state == "42P01")
        throw Error(ErrorNumber::TableNotFound,
                    "O mecanismo de banco de dados não encontrou a tabela '" +
                        written(quotedSubject(message)) + "'.");
    if (state == "42703") {
        std::string column = quotedSubject(message);
        if (const auto dot = column.rfind('.'); dot != std::string::npos)
            column.erase(0, dot + 1);
        throw Error(ErrorNumber::UnknownColumn, "Coluna desconhecida: " + written(column) + ".");
    }
    if (state == "42883") {
        std::string function = message.substr(std::min(message.size(), std::size_t{9}));
        function.erase(std::min(function.size(), function.find('(')));
        throw Error(ErrorNumber::UnknownFunction,
                    "Função '" + written(function) + "' indefinida na expressão.");
    }
    if (state == "42601") {
        if (message.find("end of input") != std::string::npos)
            throw Error(ErrorNumber::SyntaxError, "Instrução SQL incompleta.");
        std::string near = quotedSubject(message);
        if (near.size() > 1 && near[0] == '$') {
            const auto index = static_cast<std::size_t>(std::atoi(near.c_str() + 1));
            if (index >= 1 && index <= parameters.size())
                near = "'" + parameters[index - 1] + "'";
        }
        throw Error(ErrorNumber::SyntaxError,
                    "Erro de sintaxe na instrução SQL perto de \"" + near + "\".");
    }
    // A cursor refuses a WITH that writes before the read-only transaction would.
    if (state == "25006" ||
        (state == "0A000" && message.find("data-modifying") != std::string::npos))
        throw Error(ErrorNumber::ReadOnly,
                    "Não é possível atualizar. Banco de dados ou objeto somente leitura.");
    if (state == "42501")
        throw Error(ErrorNumber::NoReadPermission,
                    "Não é possível ler os registros; sem permissão de leitura no servidor " +
                        server_ + " (" + message + ").");
    if (state == "57014")
        throw Error(ErrorNumber::ServerTimeout,
                    "A instrução SQL excedeu o tempo limite do servidor " + server_ + ".");
    if (state.starts_with("22"))
        throw Error(ErrorNumber::CriteriaTypeMismatch,
                    "Tipo de dados incompatível na expressão de critério (" + message + ").");
    throw Error(ErrorNumber::OtherFailure,
                "Falha no servidor de banco de dados " + server_ + " (" + message + ").");
}

// The rows of one statement, read through a cursor a hundred at a time. Let go of by a
// newer result, it reads on by declaring the cursor again and moving past the rows read.
class PostgresCursor final : public RowSet::Cursor {
  public:
    PostgresCursor(std::shared_ptr<Session> session, std::string sql,
                   std::shared_ptr<const dialect::Translation> translation)
        : session_(std::move(session)), sql_(std::move(sql)), translation_(std::move(translation)) {
    }
    ~PostgresCursor() override { session_->forget(this); }
    PostgresCursor(const PostgresCursor&) = delete;
    PostgresCursor& operator=(const PostgresCursor&) = delete;

    // Opens the cursor and reads the first rows; the result's columns.
    std::vector<String> start() {
        declare();
        fetch();
        std::vector<String> columns;
        for (int c = 0; c < PQnfields(batch_.get()); ++c)
            columns.push_back(fromUtf8(PQfname(batch_.get(), c)));
        return columns;
    }

    std::optional<RowSet::Row> next() override {
        if (!batch_ || next_ >= PQntuples(batch_.get())) {
            if (finished_)
                return std::nullopt;
            if (!session_->isOpen(this))
                declare();
            fetch();
            if (next_ >= PQntuples(batch_.get()))
                return std::nullopt;
        }
        ++rowsRead_;
        return rowOf(batch_.get(), next_++);
    }

    // The rows fetched but not handed out yet are looked at first: the row sought is
    // usually among them, and a result read to its end needs no lookup on the server.
    std::optional<RowSet::Row> findFirst(const String& column, std::size_t index,
                                         const String& text) override {
        for (int row = next_; batch_ && row < PQntuples(batch_.get()); ++row)
            if (static_cast<int>(index) < PQnfields(batch_.get()) &&
                shownText(valueOf(batch_.get(), row, static_cast<int>(index))) == text)
                return rowOf(batch_.get(), row);
        if (finished_)
            return std::nullopt;
        auto parameters = translation_->parameters();
        parameters.push_back(toUtf8(text));
        const std::string value = "$" + std::to_string(parameters.size());
        const std::string name = dialect::quoteName(toUtf8(column));
        const auto& target = session_->target();
        const Oid type = batch_ ? PQftype(batch_.get(), static_cast<int>(index)) : kTextType;
        std::string condition = "CAST(" + name + " AS text) = " + value;
        Oid valueType = kTextType;
        if (target.textColumns.contains(dialect::asciiLower(toUtf8(column)))) {
            // Compared folded as well, which the folded index answers.
            condition = dialect::foldedOnServer(name, target) +
                        " COLLATE \"C\" = " + dialect::foldedOnServer(value, target) + " AND " +
                        condition;
        } else if (isWholeNumberType(type)) {
            // Compared as a number, which the column's own index answers; a text that no
            // whole number shows is in no row.
            if (!showsWholeNumber(toUtf8(text), type))
                return std::nullopt;
            condition = name + " = " + value;
            valueType = kBigintType;
        }
        const auto found = session_->execute(
            "SELECT * FROM (" + sql_ + ") AS veltra_lookup WHERE " + condition + " LIMIT 1",
            parameters, translation_.get(), {true, valueType});
        if (PQntuples(found.get()) == 0)
            return std::nullopt;
        return rowOf(found.get(), 0);
    }

  private:
    void declare() {
        session_->open(this);
        name_ = session_->newCursorName();
        session_->execute("DECLARE " + name_ + " NO SCROLL CURSOR FOR " + sql_,
                          translation_->parameters(), translation_.get());
        if (rowsRead_ > 0)
            session_->execute("MOVE FORWARD " + std::to_string(rowsRead_) + " FROM " + name_, {},
                              translation_.get());
        batch_.reset();
        next_ = 0;
    }

    void fetch() {
        batch_ =
            session_->execute("FETCH FORWARD " + std::to_string(kRowsPerFetch) + " FROM " + name_,
                              {}, translation_.get());
        next_ = 0;
        finished_ = PQntuples(batch_.get()) < kRowsPerFetch;
    }

    std::shared_ptr<Session> session_;
    std::string sql_;
    std::shared_ptr<const dialect::Translation> translation_;
    std::string name_;
    pq::Result batch_;
    int next_ = 0;
    std::size_t rowsRead_ = 0;
    bool finished_ = false;
};

// A result read on after its session was lost (the server restarted, or ended a
// transaction left idle too long) reads on over a new connection.
void Session::open(PostgresCursor* cursor) {
    if (open_)
        endTransaction();
    constexpr const char* kBegin = "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY";
    if (!connection_ || PQstatus(connection_.get()) != CONNECTION_OK)
        connectToServer();
    try {
        execute(kBegin, {}, nullptr);
    } catch (const Error& error) {
        if (error.number() != static_cast<int>(ErrorNumber::ServerUnreachable))
            throw;
        connectToServer();
        execute(kBegin, {}, nullptr);
    }
    open_ = cursor;
}

// Words that begin a statement that writes, changes settings or reaches other databases:
// refused as on a file, before they reach the server.
bool refusedStatement(const std::string& firstWord) {
    static const std::vector<std::string_view> kReading = {"select", "with", "values"};
    return std::find(kReading.begin(), kReading.end(), firstWord) == kReading.end();
}

class PostgresEngine final : public Engine {
  public:
    PostgresEngine(const String& name, const String& connect)
        : session_(std::make_shared<Session>(name, connect)) {}

    bool opens(const String& name, const String& connect) const override {
        return session_->opens(name, connect);
    }

    Result run(const std::string& statement) override {
        auto translation = translate(statement);
        auto cursor =
            std::make_unique<PostgresCursor>(session_, translation->render(), translation);
        auto columns = cursor->start();
        return {std::move(columns), std::move(cursor)};
    }

    std::string queryPlan(const std::string& statement) override {
        const auto translation = translate(statement);
        // The plan of the cursor, which favours reading the first rows soon.
        const auto plan = session_->execute("EXPLAIN (COSTS OFF) DECLARE veltra_plan NO SCROLL "
                                            "CURSOR FOR " +
                                                translation->render(),
                                            translation->parameters(), translation.get());
        std::string text;
        for (int row = 0; row < PQntuples(plan.get()); ++row)
            text += std::string(PQgetvalue(plan.get(), row, 0)) + "\n";
        return text;
    }

  private:
    std::shared_ptr<const dialect::Translation> translate(const std::string& statement) const {
        auto translation =
            std::make_shared<const dialect::Translation>(statement, session_->target());
        if (refusedStatement(translation->firstWord()))
            throw Error(ErrorNumber::ReadOnly,
                        "Não é possível atualizar. Banco de dados ou objeto somente leitura.");
        return translation;
    }

    std::shared_ptr<Session> session_;
};

} // namespace

bool connectNamesServer(const String& connect) {
    return lowerCase(connect.substr(0, 10)) == u"postgresql" &&
           (connect.size() == 10 || connect[10] == u';');
}

std::shared_ptr<Engine> openPostgres(const String& name, const String& connect) {
    return std::make_shared<PostgresEngine>(name, connect);
}

} // namespace veltra::detail

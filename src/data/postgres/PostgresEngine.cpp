// The PostgreSQL engine: a table on a database server shared by many clients, searched as
// a file is. One session per data control; the rows of the latest result read through a
// cursor in a read-only transaction, a hundred at a time.
#include "postgres/PostgresEngine.h"

#include "postgres/PostgresSession.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>

namespace veltra::detail {

namespace {

using pg::kBigintType;
using pg::kIntegerType;
using pg::kSmallintType;
using pg::kTextType;
using pg::Session;

constexpr int kRowsPerFetch = 100;

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

// The statement's rows, each checked by the server before it is sent: a row whose text
// passes the bound ends the statement (see kRowTooLargeMark), so that no row of a table or
// made by a statement can grow the client's memory without limit. The check depends on the
// row, so that the planner cannot fold it away.
std::string rowsWithin(const std::string& sql) {
    const std::string row = "CAST(ROW(veltra_rows.*) AS text)";
    return "SELECT * FROM (" + sql + ") AS veltra_rows WHERE CASE WHEN octet_length(" + row +
           ") <= " + std::to_string(kMaxRowBytes) + " THEN true ELSE CAST(left(" + row +
           ", 0) || '" + pg::kRowTooLargeMark + "' AS integer) = 0 END";
}

// The rows of one statement, read through a cursor a hundred at a time. When another
// result's transaction took the session's place, it reads on by declaring the cursor again
// in a transaction of its own and moving past the rows read.
class PostgresCursor final : public RowSet::Cursor, public pg::TransactionOwner {
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
            if (!declaredNow())
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
        const auto& catalog = session_->catalog();
        const Oid type = batch_ ? PQftype(batch_.get(), static_cast<int>(index)) : kTextType;
        std::string condition = "CAST(" + name + " AS text) = " + value;
        Oid valueType = kTextType;
        if (catalog.textColumns.contains(dialect::asciiLower(toUtf8(column)))) {
            // Compared folded as well, which the folded index answers.
            condition = foldedOnServer(name, catalog) +
                        " COLLATE \"C\" = " + foldedOnServer(value, catalog) + " AND " + condition;
        } else if (isWholeNumberType(type)) {
            // Compared as a number, which the column's own index answers; a text that no
            // whole number shows is in no row.
            if (!showsWholeNumber(toUtf8(text), type))
                return std::nullopt;
            condition = name + " = " + value;
            valueType = kBigintType;
        }
        if (!session_->isOpen(this))
            session_->open(this);
        const auto found =
            session_->execute(rowsWithin("SELECT * FROM (" + sql_ + ") AS veltra_lookup WHERE " +
                                         condition + " LIMIT 1"),
                              parameters, translation_.get(), {true, valueType});
        if (PQntuples(found.get()) == 0)
            return std::nullopt;
        return rowOf(found.get(), 0);
    }

  private:
    bool declaredNow() const {
        return session_->isOpen(this) && declaredIn_ == session_->transaction();
    }

    void declare() {
        if (!session_->isOpen(this))
            session_->open(this);
        name_ = session_->newCursorName();
        session_->execute("DECLARE " + name_ + " NO SCROLL CURSOR FOR " + rowsWithin(sql_),
                          translation_->parameters(), translation_.get());
        if (rowsRead_ > 0)
            session_->execute("MOVE FORWARD " + std::to_string(rowsRead_) + " FROM " + name_, {},
                              translation_.get());
        declaredIn_ = session_->transaction();
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
    unsigned declaredIn_ = 0;
    pq::Result batch_;
    int next_ = 0;
    std::size_t rowsRead_ = 0;
    bool finished_ = false;
};

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
        pg::TransactionOwner planning;
        session_->open(&planning);
        std::string text;
        try {
            // The plan of the cursor, which favours reading the first rows soon.
            const auto plan =
                session_->execute("EXPLAIN (COSTS OFF) DECLARE veltra_plan NO SCROLL CURSOR FOR " +
                                      translation->render(),
                                  translation->parameters(), translation.get());
            for (int row = 0; row < PQntuples(plan.get()); ++row)
                text += std::string(PQgetvalue(plan.get(), row, 0)) + "\n";
        } catch (...) {
            session_->forget(&planning);
            throw;
        }
        session_->forget(&planning);
        return text;
    }

  private:
    // A table or column that the catalogue does not know may have come since it was read:
    // the catalogue is read again once before the statement is refused.
    std::shared_ptr<const dialect::Translation> translate(const std::string& text) const {
        const auto statement = std::make_shared<const dialect::Statement>(text);
        try {
            return std::make_shared<const dialect::Translation>(
                postgresTranslation(statement, session_->catalog()));
        } catch (const Error& error) {
            if (error.number() != ErrorNumber::TableNotFound &&
                error.number() != ErrorNumber::UnknownColumn)
                throw;
        }
        session_->catalogChanged();
        return std::make_shared<const dialect::Translation>(
            postgresTranslation(statement, session_->catalog()));
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

String savedServerName(const String& name) {
    const std::string text = toUtf8(name);
    return pg::isConnectionString(text) ? fromUtf8(pg::withoutSecrets(text)) : name;
}

String savedServerConnect(const String& connect) {
    const auto semicolon = connect.find(u';');
    if (semicolon == String::npos)
        return connect;
    const std::string settings = pg::withoutSecrets(toUtf8(connect.substr(semicolon + 1)));
    return connect.substr(0, semicolon) + (settings.empty() ? u"" : u";" + fromUtf8(settings));
}

} // namespace veltra::detail

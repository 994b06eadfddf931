// This file is not part of the API. One connection to a PostgreSQL server: every session
// read-only with time limits, and every statement of the control inside a read-only
// transaction that the session itself opened, never in autocommit.
#pragma once

#include "postgres/PostgresDialect.h"
#include "postgres/PostgresSettings.h"
#include "postgres/Pq.h"
#include "veltra/Types.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace veltra::detail::pg {

inline constexpr Oid kTextType = 25;
inline constexpr Oid kBigintType = 20;
inline constexpr Oid kIntegerType = 23;
inline constexpr Oid kSmallintType = 21;

// The text with which the server ends a statement whose row is too large.
inline constexpr const char* kRowTooLargeMark = "veltra_row_too_large";

// How a statement is sent: prepared once per connection, so that the server plans it once
// (a lookup runs on every key); the type of a last parameter that is not the translation's.
struct Sending {
    bool prepared = false;
    Oid lastType = kTextType;
};

// Who a transaction is open for: a result being read, or the session's own reading.
class TransactionOwner {
  public:
    virtual ~TransactionOwner() = default;
};

class Session {
  public:
    Session(const String& name, const String& connect);

    bool opens(const String& name, const String& connect) const;
    // What the statements are written against, read again after a statement met a table or
    // column it did not know.
    const PostgresCatalog& catalog();
    void catalogChanged() { catalogStale_ = true; }

    // Opens a transaction for the owner, ending the one open for another, which goes on
    // later in a transaction of its own. The number tells one transaction from the next.
    void open(TransactionOwner* owner);
    void forget(TransactionOwner* owner);
    bool isOpen(const TransactionOwner* owner) const { return owner_ == owner; }
    unsigned transaction() const { return transactions_; }

    // Runs one statement in the transaction open now (only BEGIN and COMMIT run outside
    // one); throws veltra::Error, naming the statement's names as written.
    enum class Outside { Refused, Allowed };
    pq::Result execute(const std::string& sql, const std::vector<std::string>& parameters,
                       const dialect::Translation* translation, Sending sending = {},
                       Outside outside = Outside::Refused);
    std::string newCursorName() { return "veltra_" + std::to_string(++cursors_); }

  private:
    void connectToServer();
    void readCatalog();
    pq::Result awaitResult();
    void begin();
    void endTransaction();
    [[noreturn]] void failToConnect() const;
    [[noreturn]] void fail(const PGresult* result, const std::vector<std::string>& parameters,
                           const dialect::Translation* translation);

    String name_;
    String connect_;
    Settings settings_;
    pq::Connection connection_;
    std::map<std::string, std::string> prepared_; // statement text to name
    std::string server_;
    std::chrono::milliseconds statementLimit_{0};
    PostgresCatalog catalog_;
    bool catalogStale_ = false;
    TransactionOwner* owner_ = nullptr;
    bool inTransaction_ = false;
    unsigned transactions_ = 0;
    int cursors_ = 0;
};

} // namespace veltra::detail::pg

// Prepared statements kept for their next use, and a statement on loan to one reader.
#pragma once

#include "sqlite/Sqlite.h"

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace veltra::detail {

// What a statement was prepared for. A record source is checked by the connection's
// authorizer when it is prepared; the connection's own work (its copies, the schema) is
// not. The two never share a prepared statement, so that a record source is never served
// one that skipped the check, whatever its text.
enum class Purpose { RecordSource, OwnWork };

class StatementPool;

// A prepared statement owned by one reader; it goes back to its pool, reset, when the
// reader is done with it.
class PooledStatement {
  public:
    PooledStatement() = default;
    PooledStatement(StatementPool* pool, Purpose purpose, std::string sql,
                    sqlite::Statement statement)
        : pool_(pool), purpose_(purpose), sql_(std::move(sql)), statement_(std::move(statement)) {}
    PooledStatement(PooledStatement&& other) noexcept { *this = std::move(other); }
    PooledStatement& operator=(PooledStatement&& other) noexcept;
    ~PooledStatement() { release(); }

    sqlite3_stmt* get() const { return statement_.get(); }
    void release();

  private:
    StatementPool* pool_ = nullptr;
    Purpose purpose_ = Purpose::RecordSource;
    std::string sql_;
    sqlite::Statement statement_;
};

// Up to a fixed number of reset statements, by purpose and text.
class StatementPool {
  public:
    StatementPool() = default;
    ~StatementPool() = default;
    StatementPool(const StatementPool&) = delete;
    StatementPool& operator=(const StatementPool&) = delete;

    // A kept statement for that purpose and text, or nothing.
    sqlite::Statement take(Purpose purpose, const std::string& sql);
    void giveBack(Purpose purpose, const std::string& sql, sqlite::Statement statement);

  private:
    std::map<std::pair<Purpose, std::string>, std::vector<sqlite::Statement>> kept_;
    std::size_t count_ = 0;
};

} // namespace veltra::detail

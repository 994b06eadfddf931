#include "sqlite/StatementPool.h"

#include <sqlite3.h>

namespace veltra::detail {

namespace {

constexpr std::size_t kMaxPooledStatements = 32;

} // namespace

PooledStatement& PooledStatement::operator=(PooledStatement&& other) noexcept {
    if (this != &other) {
        release();
        pool_ = std::exchange(other.pool_, nullptr);
        purpose_ = other.purpose_;
        sql_ = std::move(other.sql_);
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

void PooledStatement::release() {
    if (statement_ && pool_)
        pool_->giveBack(purpose_, sql_, statement_);
    else if (statement_)
        sqlite3_finalize(statement_);
    statement_ = nullptr;
    pool_ = nullptr;
}

sqlite3_stmt* StatementPool::take(Purpose purpose, const std::string& sql) {
    const auto kept = kept_.find({purpose, sql});
    if (kept == kept_.end() || kept->second.empty())
        return nullptr;
    sqlite3_stmt* statement = kept->second.back();
    kept->second.pop_back();
    --count_;
    return statement;
}

void StatementPool::giveBack(Purpose purpose, const std::string& sql, sqlite3_stmt* statement) {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (count_ >= kMaxPooledStatements) {
        sqlite3_finalize(statement);
        return;
    }
    kept_[{purpose, sql}].push_back(statement);
    ++count_;
}

void StatementPool::clear() {
    for (auto& [key, statements] : kept_)
        for (auto* statement : statements)
            sqlite3_finalize(statement);
    kept_.clear();
    count_ = 0;
}

} // namespace veltra::detail

#include "sqlite/StatementPool.h"

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
        statement_ = std::move(other.statement_);
    }
    return *this;
}

void PooledStatement::release() {
    if (statement_ && pool_)
        pool_->giveBack(purpose_, sql_, std::move(statement_));
    statement_.reset();
    pool_ = nullptr;
}

sqlite::Statement StatementPool::take(Purpose purpose, const std::string& sql) {
    const auto kept = kept_.find({purpose, sql});
    if (kept == kept_.end() || kept->second.empty())
        return nullptr;
    sqlite::Statement statement = std::move(kept->second.back());
    kept->second.pop_back();
    --count_;
    return statement;
}

void StatementPool::giveBack(Purpose purpose, const std::string& sql, sqlite::Statement statement) {
    if (count_ >= kMaxPooledStatements)
        return;
    sqlite3_reset(statement.get());
    sqlite3_clear_bindings(statement.get());
    kept_[{purpose, sql}].push_back(std::move(statement));
    ++count_;
}

} // namespace veltra::detail

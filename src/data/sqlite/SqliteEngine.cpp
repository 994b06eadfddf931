// The SQLite engine: a file read read-only through one connection (an Access file read into
// a database of the connection's own).
#include "sqlite/SqliteEngine.h"

#include "Engine.h"
#include "sqlite/Connection.h"
#include "sqlite/IndexedFirstRows.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#include <deque>
#include <sqlite3.h>

namespace veltra::detail {

namespace {

Variant columnValue(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return Null{};
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    default: {
        const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(statement, column));
        const auto bytes = sqlite3_column_bytes16(statement, column);
        return String(text ? text : u"", static_cast<std::size_t>(bytes) / 2);
    }
    }
}

RowSet::Row readRow(sqlite3_stmt* statement) {
    RowSet::Row row;
    const int columns = sqlite3_column_count(statement);
    row.reserve(static_cast<std::size_t>(columns));
    std::size_t bytes = 0;
    for (int c = 0; c < columns; ++c) {
        // Measured before the value is converted: the UTF-8 the file holds.
        bytes += static_cast<std::size_t>(sqlite3_column_bytes(statement, c));
        if (bytes > kMaxRowBytes)
            rowTooLarge();
        row.push_back(columnValue(statement, c));
    }
    return row;
}

// While a copy a statement needs is being made, the statement reads the file, where no
// index gives its order: the sort would take every matching row before the first one. So
// it reads only its first rows at first (the sort keeps no more than those), all at once,
// so that the file is not held while they are shown; the rest, if ever asked for, comes
// from the whole statement, by then most often from the copy.
constexpr std::size_t kFirstRowsWhileCopying = 256;

// Past this many rows of the first classes, reading them is no cheaper than reading all.
constexpr std::size_t kMostRowsNarrowedTo = kFirstRowsWhileCopying * 64;

// A failure that a damaged file gives: when a statement that read copies meets one, the
// copies are blamed first.
bool isDamage(int code) {
    const int primary = code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_IOERR;
}

std::string firstRowsOf(const std::string& sql) {
    return "SELECT * FROM (" + sql + ") LIMIT " + std::to_string(kFirstRowsWhileCopying);
}

// Reads the rows of one prepared statement; keeps its connection open while rows remain.
class SqliteCursor final : public RowSet::Cursor, public Reader {
  public:
    SqliteCursor(std::shared_ptr<SqliteConnection> connection,
                 const dialect::Translation& translation, SqliteConnection::Rendered rendered,
                 PooledStatement whole)
        : connection_(std::move(connection)), translation_(translation),
          firstRowsOnly_(rendered.copyBeingMade), fromCopies_(rendered.fromCopies),
          sql_(std::move(rendered.sql)) {
        connection_->addReader(this);
        if (firstRowsOnly_)
            readFirstRows();
        else
            statement_ = std::move(whole);
    }
    ~SqliteCursor() override { connection_->removeReader(this); }
    SqliteCursor(const SqliteCursor&) = delete;
    SqliteCursor& operator=(const SqliteCursor&) = delete;

    // Lets go of the statement; reading on later runs it again past the rows already read.
    void stopReading() override { statement_.release(); }

    // The next row, or nothing at the end of the result. A failure to read (a file that
    // went bad underneath) throws.
    std::optional<RowSet::Row> next() override {
        if (finished_)
            return std::nullopt;
        if (!firstRows_.empty()) {
            ++rowsRead_;
            RowSet::Row row = std::move(firstRows_.front());
            firstRows_.pop_front();
            return row;
        }
        if (firstRowsOnly_) {
            firstRowsOnly_ = false;
            if (rowsRead_ < kFirstRowsWhileCopying) {
                finished_ = true;
                return std::nullopt;
            }
        }
        if (!statement_.get())
            resume();
        int code = connection_->step(statement_.get());
        if (blameCopies(code)) {
            resume();
            code = connection_->step(statement_.get());
        }
        if (code == SQLITE_ROW) {
            ++rowsRead_;
            return readRow(statement_.get());
        }
        statement_.release();
        finished_ = true;
        if (code != SQLITE_DONE)
            connection_->fail(code);
        return std::nullopt;
    }

    // The first row of the whole result, in its order, whose column shows exactly the
    // text; asked of the database, so that rows not read yet need not be read.
    std::optional<RowSet::Row> findFirst(const String& column, std::size_t index,
                                         const String& text) override {
        const std::string name = dialect::quoteName(toUtf8(column));
        auto parameters = translation_.parameters();
        parameters.push_back(toUtf8(text));
        std::string number = "?";
        number += std::to_string(parameters.size());
        for (;;) {
            const auto lookup =
                connection_->prepare("SELECT * FROM (" + sql_ + ") WHERE " + name + " = " + number +
                                         " COLLATE " + kCollation + " AND " + name + " = " + number,
                                     parameters);
            int code = SQLITE_ROW;
            while ((code = connection_->step(lookup.get())) == SQLITE_ROW) {
                RowSet::Row row = readRow(lookup.get());
                if (index < row.size() && shownText(row[index]) == text)
                    return row;
            }
            if (!blameCopies(code))
                return std::nullopt;
            rerender();
        }
    }

  private:
    void readFirstRows() {
        if (!fromCopies_ && readFirstRowsThroughIndex())
            return;
        const auto first = connection_->prepare(firstRowsOf(sql_), translation_.parameters());
        int code = SQLITE_ROW;
        while ((code = connection_->step(first.get())) == SQLITE_ROW)
            firstRows_.push_back(readRow(first.get()));
        if (blameCopies(code)) {
            firstRows_.clear();
            rerender();
            return readFirstRows();
        }
        if (code != SQLITE_DONE)
            connection_->fail(code);
    }

    // The first rows read from the rows of the first classes of the file's index, more
    // classes each time that too few of their rows meet the statement; false when the
    // index cannot tell them, and every row is read instead.
    bool readFirstRowsThroughIndex() {
        for (std::size_t rows = kFirstRowsWhileCopying; rows <= kMostRowsNarrowedTo; rows *= 4) {
            const auto narrowed = narrowThroughIndex(*connection_, translation_, rows);
            if (!narrowed)
                return false;
            try {
                const auto first =
                    connection_->prepare(firstRowsOf(narrowed->sql), narrowed->parameters);
                int code = SQLITE_ROW;
                while ((code = connection_->step(first.get())) == SQLITE_ROW)
                    firstRows_.push_back(readRow(first.get()));
                if (code == SQLITE_DONE &&
                    (narrowed->whole || firstRows_.size() == kFirstRowsWhileCopying))
                    return true;
            } catch (const Error&) {
                // The whole statement, read next, tells what went wrong.
            }
            firstRows_.clear();
        }
        return false;
    }

    // A statement that read copies and met a damaged file: the copies are removed and the
    // statement reads the file, once. The file itself is blamed only when it fails then.
    bool blameCopies(int code) {
        if (!isDamage(code) || !fromCopies_ || blamed_)
            return false;
        blamed_ = true;
        statement_.release();
        connection_->discardCopies();
        return true;
    }

    // The statement written again: a copy it read may be gone, another ready.
    void rerender() {
        auto rendered = connection_->render(translation_);
        sql_ = std::move(rendered.sql);
        fromCopies_ = rendered.fromCopies;
    }

    // Runs the statement again and steps over the rows read before it was let go.
    void resume() {
        rerender();
        statement_ = connection_->prepare(sql_, translation_.parameters());
        connection_->stopOtherReaders(this);
        for (std::size_t i = 0; i < rowsRead_; ++i)
            if (connection_->step(statement_.get()) != SQLITE_ROW)
                break;
    }

    std::shared_ptr<SqliteConnection> connection_;
    dialect::Translation translation_;
    bool firstRowsOnly_;
    bool fromCopies_;
    bool blamed_ = false;
    std::string sql_; // the whole statement
    std::deque<RowSet::Row> firstRows_;
    PooledStatement statement_;
    std::size_t rowsRead_ = 0;
    bool finished_ = false;
};

class SqliteEngine final : public Engine {
  public:
    SqliteEngine(const String& name, const String& connect)
        : connection_(std::make_shared<SqliteConnection>(name, connect)) {}

    bool opens(const String& name, const String& connect) const override {
        return connection_->opens(name, connect);
    }

    Result run(const std::string& statement) override {
        const dialect::Translation translation = connection_->translate(statement);
        auto rendered = connection_->render(translation);
        // The whole statement is prepared even when its first rows are read apart: it is the
        // one that must be valid, and its columns are the result's.
        PooledStatement whole;
        try {
            whole = connection_->prepare(rendered.sql, translation.parameters());
        } catch (const Error& error) {
            if (error.number() != ErrorNumber::NotADatabase || !rendered.fromCopies)
                throw;
            connection_->discardCopies(); // a damaged copy, not the user's file
            rendered = connection_->render(translation);
            whole = connection_->prepare(rendered.sql, translation.parameters());
        }
        std::vector<String> columns;
        for (int c = 0; c < sqlite3_column_count(whole.get()); ++c) {
            const auto* name = static_cast<const char16_t*>(sqlite3_column_name16(whole.get(), c));
            columns.emplace_back(name ? name : u"");
        }
        auto cursor = std::make_unique<SqliteCursor>(connection_, translation, std::move(rendered),
                                                     std::move(whole));
        // The results read before this one stop, so that they do not keep the file locked
        // while this one is read.
        connection_->stopOtherReaders(cursor.get());
        return {std::move(columns), std::move(cursor)};
    }

    std::string queryPlan(const std::string& statement) override {
        return connection_->queryPlan(connection_->translate(statement));
    }

  private:
    std::shared_ptr<SqliteConnection> connection_;
};

} // namespace

std::shared_ptr<Engine> openSqlite(const String& name, const String& connect) {
    return std::make_shared<SqliteEngine>(name, connect);
}

} // namespace veltra::detail

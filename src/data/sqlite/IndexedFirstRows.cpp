#include "sqlite/IndexedFirstRows.h"

#include "dialect/Folding.h"
#include "sqlite/Connection.h"
#include "veltra/Error.h"
#include "veltra/Text.h"

#include <algorithm>
#include <map>
#include <sqlite3.h>

namespace veltra::detail {

namespace {

using dialect::Expr;

// A class of no more rows is read whole; the statement sorts no more than about this.
constexpr std::size_t kRowsSortedAtOnce = 4096;
// Beyond these the file is too unlike a list of names for seeks to pay: the statement
// reads every row instead.
constexpr std::size_t kMostSpellings = 32; // of one class
constexpr std::size_t kMostRanges = 64;    // read by the statement
constexpr std::size_t kMostSeeks = 1024;   // to find the classes
constexpr char32_t kReplacement = 0xFFFD;  // what a text that is not UTF-8 reads as

// The table's column, ordered by and matched, and the index that holds its exact texts.
struct OrderedColumn {
    std::string table;
    std::string column;
    std::string index;
    std::string prefix; // folded; empty when no prefix is matched
};

bool refersTo(const Expr& expr, const dialect::Source& table, const std::string& column) {
    return expr.kind == Expr::Kind::Column && expr.schema.empty() &&
           dialect::sameName(expr.text, column) &&
           (expr.qualifier.empty() ||
            dialect::sameName(expr.qualifier, table.alias.empty() ? table.name : table.alias));
}

// The longest prefix that a like pattern of the conditions joined by AND matches the column
// with: no row outside its class can meet the condition.
void matchedPrefix(const Expr& condition, const dialect::Source& table, const std::string& column,
                   std::string& prefix) {
    if (condition.kind == Expr::Kind::Binary && condition.text == "and") {
        for (const auto& operand : condition.operands)
            matchedPrefix(*operand, table, column, prefix);
    } else if (condition.kind == Expr::Kind::Like && !condition.negated &&
               refersTo(*condition.operands[0], table, column)) {
        const dialect::LikePattern pattern(condition.text);
        if (pattern.prefix().size() > prefix.size())
            prefix = pattern.prefix();
    }
}

// Whether comparing the column with a text compares texts as they are stored: a column of
// text affinity, or of none. Numeric affinity would read the bounds "12" as numbers.
bool comparesStoredText(SqliteConnection& connection, const std::string& table,
                        const std::string& column) {
    const char* declared = nullptr;
    if (sqlite3_table_column_metadata(connection.handle(), "main", table.c_str(), column.c_str(),
                                      &declared, nullptr, nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    const std::string type = dialect::asciiLower(declared ? declared : "");
    const auto has = [&](const char* part) { return type.find(part) != std::string::npos; };
    if (has("int"))
        return false;
    return has("char") || has("clob") || has("text") || has("blob") || type.empty();
}

bool storesUtf8(SqliteConnection& connection) {
    const SqliteConnection::OwnWork ownWork(connection);
    const auto encoding = connection.prepare("SELECT encoding FROM pragma_encoding", {});
    if (sqlite3_step(encoding.get()) != SQLITE_ROW)
        return false;
    const auto* name = sqlite3_column_text(encoding.get(), 0);
    return name && std::string_view(reinterpret_cast<const char*>(name)) == "UTF-8";
}

// A single-table statement whose first order term is a column of the table, ascending, whose
// rows each come from rows of one class (a group holds one folded text of the column).
std::optional<OrderedColumn> orderedColumnOf(SqliteConnection& connection,
                                             const dialect::Translation& translation) {
    const auto& select = translation.statement().select();
    if (translation.tables().size() != 1 || select.cores.size() != 1 || select.limit ||
        select.offset || select.orderBy.empty() || select.orderBy.front().descending)
        return std::nullopt;
    const auto& core = select.cores.front();
    if (core.distinct || core.from.size() != 1 || !core.from.front().joins.empty())
        return std::nullopt;
    const auto& table = core.from.front().source;
    const Expr* ordered = select.orderBy.front().expr.get();
    if (table.query || !table.schema.empty() || !ordered || ordered->kind != Expr::Kind::Column ||
        !refersTo(*ordered, table, ordered->text))
        return std::nullopt;
    const std::string& column = ordered->text;
    const auto& aliases = translation.statement().aliases();
    if (std::find(aliases.begin(), aliases.end(), dialect::asciiLower(column)) != aliases.end())
        return std::nullopt; // the order is a value of the select list, not the column
    if (dialect::aggregates(core) &&
        std::none_of(core.groupBy.begin(), core.groupBy.end(),
                     [&](const auto& key) { return refersTo(*key, table, column); }))
        return std::nullopt;
    if (dialect::sameName(column, "rowid") || !connection.hasRowId(table.name) ||
        !comparesStoredText(connection, table.name, column) || !storesUtf8(connection))
        return std::nullopt;
    const auto index = connection.indexLeadingWith(table.name, column, "BINARY");
    if (!index)
        return std::nullopt;
    OrderedColumn found{table.name, column, *index, {}};
    if (core.where)
        matchedPrefix(*core.where, table, column, found.prefix);
    std::size_t i = 0;
    while (i < found.prefix.size())
        if (decodeUtf8(found.prefix, i) == kReplacement)
            return std::nullopt;
    return found;
}

// The smallest text after every text that begins with the prefix (which is not empty).
std::string pastBeginning(std::string prefix) {
    while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF)
        prefix.pop_back();
    if (!prefix.empty())
        prefix.back() = static_cast<char>(static_cast<unsigned char>(prefix.back()) + 1);
    return prefix;
}

// Rows by the column's exact value: those that begin with a text (every text, for an empty
// one), those equal to one, those with no text (Null and numbers, before every text), or
// the blobs (after every text). A prefix matches texts only.
struct Range {
    enum class Kind { Beginning, Exactly, NoText, Blobs } kind;
    std::string text;
};

// The condition on the column that selects the range's rows through the index; its texts
// are added to the parameters.
std::string condition(const Range& range, const std::string& column,
                      std::vector<std::string>& parameters) {
    const std::string exact = dialect::quoteName(column) + " COLLATE BINARY";
    const auto parameter = [&](std::string text) {
        parameters.push_back(std::move(text));
        return "?" + std::to_string(parameters.size());
    };
    switch (range.kind) {
    case Range::Kind::NoText:
        return dialect::quoteName(column) + " IS NULL OR " + exact + " < ''";
    case Range::Kind::Blobs:
        return exact + " >= X''";
    case Range::Kind::Exactly:
        return exact + " = " + parameter(range.text);
    case Range::Kind::Beginning:
        break;
    }
    if (range.text.empty()) // every text: a text is below every blob
        return "(" + exact + " >= '' AND " + exact + " < X'')";
    const std::string low = parameter(range.text);
    return "(" + exact + " >= " + low + " AND " + exact + " < " +
           parameter(pastBeginning(range.text)) + ")";
}

// Seeks and counts in the index of the column's exact texts.
class IndexReader {
  public:
    IndexReader(SqliteConnection& connection, const OrderedColumn& ordered)
        : connection_(connection), column_(ordered.column),
          from_(" FROM main." + dialect::quoteName(ordered.table) + " INDEXED BY " +
                dialect::quoteName(ordered.index) + " WHERE ") {}

    // The first text at or after a text; nothing past the last.
    std::optional<std::string> firstFrom(const std::string& text) {
        if (++seeks_ > kMostSeeks)
            throw TooMuch{};
        const std::string exact = dialect::quoteName(column_) + " COLLATE BINARY";
        const auto seek = connection_.prepare("SELECT " + dialect::quoteName(column_) + from_ +
                                                  exact + " >= ?1 ORDER BY " + exact + " LIMIT 1",
                                              {text});
        const int code = sqlite3_step(seek.get());
        if (code != SQLITE_ROW && code != SQLITE_DONE)
            throw TooMuch{};
        if (code == SQLITE_DONE || sqlite3_column_type(seek.get(), 0) != SQLITE_TEXT)
            return std::nullopt; // a blob comes after every text
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(seek.get(), 0));
        return std::string(bytes ? bytes : "",
                           static_cast<std::size_t>(sqlite3_column_bytes(seek.get(), 0)));
    }
    bool hasBeginning(const std::string& prefix) {
        const auto first = firstFrom(prefix);
        return first && first->starts_with(prefix);
    }
    // The rows of the range, counted up to one more than a class read whole.
    std::size_t count(const Range& range) {
        std::vector<std::string> parameters;
        const std::string where = condition(range, column_, parameters);
        const auto counted =
            connection_.prepare("SELECT count(*) FROM (SELECT 1" + from_ + where + " LIMIT " +
                                    std::to_string(kRowsSortedAtOnce + 1) + ")",
                                parameters);
        if (sqlite3_step(counted.get()) != SQLITE_ROW)
            throw TooMuch{};
        return static_cast<std::size_t>(sqlite3_column_int64(counted.get(), 0));
    }

    // The file asks for more seeks, or fails: the statement reads every row instead.
    struct TooMuch {};

  private:
    SqliteConnection& connection_;
    std::string column_;
    std::string from_;
    std::size_t seeks_ = 0;
};

// The spellings of a class: the beginnings of texts of the file that fold alike.
using Spellings = std::vector<std::string>;

// The classes from the first on, in folded order, until they hold enough rows.
class ClassWalk {
  public:
    ClassWalk(IndexReader& reader, std::size_t rows) : reader_(reader), rows_(rows) {}

    // The spellings that the file has of a folded beginning: from all texts down, one
    // character at a time, through the spellings of each.
    Spellings spellingsOf(const std::string& folded) {
        Spellings spellings{""};
        for (std::size_t i = 0; i < folded.size() && !spellings.empty();) {
            const auto alike = dialect::unfolded(decodeUtf8(folded, i));
            Spellings longer;
            for (const auto& spelling : spellings)
                for (const char32_t c : alike) {
                    std::string candidate = spelling;
                    appendUtf8(candidate, c);
                    if (reader_.hasBeginning(candidate))
                        longer.push_back(std::move(candidate));
                }
            if (longer.size() > kMostSpellings)
                throw IndexReader::TooMuch{};
            spellings = std::move(longer);
        }
        return spellings;
    }

    // Takes the class of these spellings, or its first smaller classes; false once enough
    // rows are taken. Everything begins with the rows of no text.
    bool take(const Spellings& spellings, bool everything) {
        if (everything && !takeRange({Range::Kind::NoText, {}}))
            return false;
        return takeClass(spellings);
    }
    // The blobs, which come after every text.
    void takeBlobs() {
        if (reader_.count({Range::Kind::Blobs, {}}))
            add({Range::Kind::Blobs, {}});
    }

    const std::vector<Range>& ranges() const { return ranges_; }

  private:
    bool takeClass(const Spellings& spellings) {
        std::size_t rows = 0;
        for (const auto& spelling : spellings)
            if ((rows += reader_.count({Range::Kind::Beginning, spelling})) > kRowsSortedAtOnce)
                break;
        if (rows <= kRowsSortedAtOnce) {
            for (const auto& spelling : spellings)
                add({Range::Kind::Beginning, spelling});
            taken_ += rows;
            return taken_ < rows_;
        }
        for (const auto& spelling : spellings)
            if (!takeRange({Range::Kind::Exactly, spelling}))
                return false;
        for (const auto& [folded, longer] : longerSpellings(spellings))
            if (!takeClass(longer))
                return false;
        return true;
    }

    bool takeRange(const Range& range) {
        if (const std::size_t rows = reader_.count(range)) {
            add(range);
            taken_ += rows;
        }
        return taken_ < rows_;
    }
    void add(const Range& range) {
        if (ranges_.size() == kMostRanges)
            throw IndexReader::TooMuch{};
        ranges_.push_back(range);
    }

    // The spellings one character longer that the file has, by the folded character.
    std::map<char32_t, Spellings> longerSpellings(const Spellings& spellings) {
        std::map<char32_t, Spellings> longer;
        for (const auto& spelling : spellings) {
            std::string from = spelling + '\0'; // the first text longer than the spelling
            while (const auto text = reader_.firstFrom(from)) {
                if (!text->starts_with(spelling))
                    break;
                std::size_t end = spelling.size();
                const char32_t next = decodeUtf8(*text, end);
                if (next == kReplacement)
                    throw IndexReader::TooMuch{}; // bytes that are not UTF-8 fold unlike them
                auto& alike = longer[dialect::fold(next)];
                alike.push_back(text->substr(0, end));
                if (alike.size() > kMostSpellings)
                    throw IndexReader::TooMuch{};
                from = pastBeginning(alike.back());
            }
        }
        return longer;
    }

    IndexReader& reader_;
    std::size_t rows_;
    std::size_t taken_ = 0;
    std::vector<Range> ranges_;
};

} // namespace

std::optional<NarrowedStatement> narrowThroughIndex(SqliteConnection& connection,
                                                    const dialect::Translation& translation,
                                                    std::size_t rows) {
    const auto ordered = orderedColumnOf(connection, translation);
    if (!ordered)
        return std::nullopt;
    std::vector<Range> ranges;
    bool whole = false;
    try {
        const SqliteConnection::OwnWork ownWork(connection);
        IndexReader reader(connection, *ordered);
        ClassWalk walk(reader, rows);
        const bool everything = ordered->prefix.empty();
        whole = walk.take(walk.spellingsOf(ordered->prefix), everything);
        if (whole && everything)
            walk.takeBlobs();
        ranges = walk.ranges();
    } catch (const IndexReader::TooMuch&) {
        return std::nullopt;
    } catch (const Error&) {
        return std::nullopt;
    }
    NarrowedStatement narrowed{{}, translation.parameters(), whole};
    std::string where;
    for (const auto& range : ranges)
        where +=
            (where.empty() ? "" : " OR ") + condition(range, ordered->column, narrowed.parameters);
    const std::string table = dialect::quoteName(ordered->table);
    narrowed.sql = translation.render({{dialect::asciiLower(ordered->table),
                                        "(SELECT rowid AS rowid, * FROM main." + table + " WHERE " +
                                            (where.empty() ? "0" : where) + ")"}});
    return narrowed;
}

} // namespace veltra::detail

#include "sqlite/SqliteFunctions.h"

#include "dialect/Folding.h"
#include "sqlite/SqliteDialect.h"
#include "veltra/Text.h"

#include <sqlite3.h>
#include <string>

namespace veltra::detail {

namespace {

std::string textOf(sqlite3_value* value) {
    const auto* text = sqlite3_value_text(value);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_value_bytes(value)))
                : std::string();
}

int collateFolded(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return dialect::compareFolded(
        std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(lengthA)),
        std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lengthB)));
}

// veltra_like(value, pattern): the residual match of a like pattern. The compiled pattern
// is kept with the statement while the pattern argument stays the same.
void likeFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL ||
        sqlite3_value_type(arguments[1]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    auto* pattern = static_cast<dialect::LikePattern*>(sqlite3_get_auxdata(context, 1));
    if (!pattern) {
        try {
            pattern = new dialect::LikePattern(textOf(arguments[1]));
        } catch (const std::exception&) {
            return sqlite3_result_error(context, "invalid like pattern", -1);
        }
        sqlite3_set_auxdata(context, 1, pattern,
                            [](void* p) { delete static_cast<dialect::LikePattern*>(p); });
        pattern = static_cast<dialect::LikePattern*>(sqlite3_get_auxdata(context, 1));
        if (!pattern)
            return sqlite3_result_error_nomem(context);
    }
    sqlite3_result_int(context, pattern->matches(textOf(arguments[0])) ? 1 : 0);
}

void cstrFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    switch (sqlite3_value_type(arguments[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(context);
    case SQLITE_FLOAT: {
        const std::string text = shortestNumber(sqlite3_value_double(arguments[0]));
        return sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
    }
    default: {
        const std::string text = textOf(arguments[0]);
        return sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
    }
    }
}

void valFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    switch (sqlite3_value_type(arguments[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(context);
    case SQLITE_INTEGER:
        return sqlite3_result_int64(context, sqlite3_value_int64(arguments[0]));
    case SQLITE_FLOAT:
        return sqlite3_result_double(context, sqlite3_value_double(arguments[0]));
    default:
        break;
    }
    const auto number = dialect::val(textOf(arguments[0]));
    if (const auto* whole = std::get_if<std::int64_t>(&number))
        sqlite3_result_int64(context, *whole);
    else
        sqlite3_result_double(context, std::get<double>(number));
}

} // namespace

void registerDialect(sqlite3* db) {
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_collation_v2(db, kCollation, SQLITE_UTF8, nullptr, collateFolded, nullptr);
    sqlite3_create_function_v2(db, kLikeFunction, 2, flags, nullptr, likeFunction, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "cstr", 1, flags, nullptr, cstrFunction, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "val", 1, flags, nullptr, valFunction, nullptr, nullptr,
                               nullptr);
}

} // namespace veltra::detail

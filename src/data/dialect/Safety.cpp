#include "dialect/Safety.h"
#include "Errors.h"

#include "dialect/Statement.h"
#include "veltra/Error.h"

#include <algorithm>

namespace veltra::dialect {

namespace {

struct Allowed {
    std::string_view name;
    std::size_t fewest;
    std::size_t most;
    bool aggregate; // takes DISTINCT, and count takes *
};

constexpr std::size_t kMany = 100;

constexpr Allowed kAllowed[] = {
    {"val", 1, 1, false},     {"cstr", 1, 1, false},         {"count", 1, 1, true},
    {"min", 1, 1, true},      {"max", 1, 1, true},           {"sum", 1, 1, true},
    {"avg", 1, 1, true},      {"abs", 1, 1, false},          {"lower", 1, 1, false},
    {"upper", 1, 1, false},   {"length", 1, 1, false},       {"trim", 1, 1, false},
    {"ltrim", 1, 1, false},   {"rtrim", 1, 1, false},        {"substr", 2, 3, false},
    {"replace", 3, 3, false}, {"coalesce", 2, kMany, false}, {"nullif", 2, 2, false},
};

const Allowed* allowed(std::string_view name) {
    const auto found = std::find_if(std::begin(kAllowed), std::end(kAllowed),
                                    [&](const Allowed& a) { return a.name == name; });
    return found == std::end(kAllowed) ? nullptr : found;
}

[[noreturn]] void unknown(const std::string& written) {
    detail::fail(detail::DataError::UnknownFunction, {written});
}

void checkCall(const Expr& call) {
    const std::string written =
        call.qualifier.empty() ? call.text : call.qualifier + "." + call.text;
    const Allowed* function = allowed(asciiLower(call.text));
    if (!function || call.quotedName || !call.qualifier.empty())
        unknown(written);
    const bool star = !call.operands.empty() && call.operands.front()->kind == Expr::Kind::AllRows;
    if (call.operands.size() < function->fewest || call.operands.size() > function->most ||
        (star && function->name != "count") || (call.distinct && !function->aggregate))
        detail::fail(detail::DataError::WrongArgumentCount, {written});
}

} // namespace

bool isAllowedFunction(std::string_view name) {
    return allowed(name) != nullptr;
}

void checkSafety(const Statement& statement) {
    forEachExpression(statement.select(), [](const Expr& expr) {
        if (expr.kind == Expr::Kind::Call)
            checkCall(expr);
    });
}

} // namespace veltra::dialect

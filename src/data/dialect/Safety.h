// This file is not part of the API. What a statement may call: the dialect's own functions
// and a short list of built-ins that every engine has with the same meaning and that reach
// nothing past the rows read. Everything else is refused, whatever its spelling.
#pragma once

#include <string_view>

namespace veltra::dialect {

class Statement;

// Whether a function of that name (lower case) may be called: Val and cstr (the dialect's),
// count, min, max, sum, avg, abs, lower, upper, length, trim, ltrim, rtrim, substr, replace,
// coalesce and nullif.
bool isAllowedFunction(std::string_view name);

// Throws veltra::Error 3085 for a call of a function not allowed, with the wrong number of
// arguments, or named by a text or through a schema.
void checkSafety(const Statement& statement);

} // namespace veltra::dialect

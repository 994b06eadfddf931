// This file is not part of the API. The dialect written for SQLite: text folded through the
// collation veltra_fold, like patterns as ranges of it plus veltra_like, rows keyed by
// their row ids.
#pragma once

#include "dialect/Emitter.h"

#include <functional>
#include <memory>
#include <string>

namespace veltra::detail {

inline constexpr const char* kCollation = "veltra_fold";
inline constexpr const char* kLikeFunction = "veltra_like";

// Whether a table of the database has row ids (a view and a WITHOUT ROWID table have none).
using HasRowId = std::function<bool(const std::string& table)>;

dialect::Translation sqliteTranslation(std::shared_ptr<const dialect::Statement> statement,
                                       const HasRowId& hasRowId);
// Parses and writes out; throws veltra::Error.
dialect::Translation sqliteTranslation(std::string_view statement, const HasRowId& hasRowId);

} // namespace veltra::detail

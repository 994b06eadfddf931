// The control's error policy: a failing statement is skipped and the next one runs.
#pragma once

#include <utility>

namespace veltra {

// Runs one statement of a handler or property procedure. Whatever it throws (a child
// control or the data source failing, a host handler throwing) is swallowed here, so that
// nothing reaches the host; the result tells whether the statement completed.
template <class Statement>
bool resumeNext(Statement&& statement) noexcept {
    try {
        std::forward<Statement>(statement)();
        return true;
    } catch (...) {
        return false;
    }
}

// Reads a value under the same policy; a failed read gives the fallback (the empty value
// of its type, or what the caller's test must see when it cannot be evaluated).
template <class T, class Read>
T readOr(T fallback, Read&& read) noexcept {
    try {
        return std::forward<Read>(read)();
    } catch (...) {
        return fallback;
    }
}

} // namespace veltra

#include "sqlite/SqliteErrors.h"

#include "Engine.h"
#include "Errors.h"

#include <optional>
#include <sqlite3.h>
#include <string_view>

namespace veltra::detail {

namespace {

// The SQLite messages that a statement can cause, each with the error it is; the subject of
// the message (a name, a token) goes into the description whole, without the quoting around
// it.
struct KnownMessage {
    std::string_view prefix;
    std::string_view suffix;
    DataError error;
};

constexpr KnownMessage kKnownMessages[] = {
    {"no such table: ", "", DataError::TableNotFound},
    {"no such column: ", "", DataError::UnknownColumn},
    {"no such function: ", "", DataError::UnknownFunction},
    {"wrong number of arguments to function ", "()", DataError::WrongArgumentCount},
    {"ambiguous column name: ", "", DataError::AmbiguousColumn},
    {"near \"", "\": syntax error", DataError::SyntaxNear},
    {"unrecognized token: \"", "\"", DataError::UnrecognizedToken},
};

// The subject of a message of that form, or nothing when the message has another form. A
// subject that is a bound parameter ("?2") is shown as the text literal the developer wrote.
std::optional<std::string> subjectOf(const std::string& message, const KnownMessage& known,
                                     const std::vector<std::string>& parameters) {
    if (!message.starts_with(known.prefix) || !message.ends_with(known.suffix) ||
        message.size() < known.prefix.size() + known.suffix.size())
        return std::nullopt;
    std::string subject = message.substr(known.prefix.size(), message.size() - known.prefix.size() -
                                                                  known.suffix.size());
    if (subject.size() > 1 && subject.size() < 6 && subject[0] == '?' &&
        subject.find_first_not_of("0123456789", 1) == std::string::npos) {
        const auto index = static_cast<std::size_t>(std::stoi(subject.substr(1)));
        if (index >= 1 && index <= parameters.size())
            return "'" + parameters[index - 1] + "'";
    }
    return subject;
}

} // namespace

void throwSqliteError(int code, const std::string& message, const std::string& path,
                      const std::vector<std::string>& parameters) {
    switch (code & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        fail(DataError::NotADatabase, {path});
    case SQLITE_CANTOPEN:
        fail(DataError::FileNotFound, {path});
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        fail(DataError::ReadOnly);
    case SQLITE_TOOBIG:
        rowTooLarge();
    case SQLITE_INTERRUPT:
        fail(DataError::FileTimeout, {path});
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        fail(DataError::Locked, {path});
    default:
        break;
    }
    for (const auto& known : kKnownMessages)
        if (const auto subject = subjectOf(message, known, parameters))
            fail(known.error, {*subject});
    if (message == "incomplete input")
        fail(DataError::SyntaxIncomplete);
    if (message.find("syntax error") != std::string::npos)
        fail(DataError::Syntax, {message});
    fail(DataError::EngineFailure, {message});
}

} // namespace veltra::detail

// The server's failures as the error numbers and Portuguese descriptions the control
// knows, by their SQLSTATE.
#include "Engine.h"
#include "Errors.h"
#include "postgres/PostgresSession.h"
#include "veltra/Error.h"

#include <cstdlib>

namespace veltra::detail::pg {

namespace {

std::string firstLine(const char* message) {
    std::string text = message ? message : "";
    if (const auto end = text.find('\n'); end != std::string::npos)
        text.erase(end);
    return text;
}

// The subject of a server message: the first double-quoted text in it.
std::string quotedSubject(const std::string& message) {
    const auto open = message.find('"');
    const auto close = open == std::string::npos ? open : message.find('"', open + 1);
    return close == std::string::npos ? std::string() : message.substr(open + 1, close - open - 1);
}

} // namespace

void Session::fail(const PGresult* result, const std::vector<std::string>& parameters,
                   const dialect::Translation* translation) {
    const char* code = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const std::string state = code ? code : "";
    if (state.starts_with("42"))
        catalogStale_ = true;
    const std::string message =
        withoutSecrets(firstLine(result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)
                                        : PQerrorMessage(connection_.get())),
                       settings_);
    const bool lost = state.empty() || state.starts_with("08") || state.starts_with("57P") ||
                      PQstatus(connection_.get()) != CONNECTION_OK;
    // A failed statement leaves its transaction able only to end: whoever reads on does so
    // in a new one.
    if (inTransaction_ && !lost)
        endTransaction();
    const auto written = [&](const std::string& name) {
        return translation ? translation->asWritten(name) : name;
    };
    if (lost)
        detail::fail(DataError::ServerUnreachable, {server_, message});
    if (state == "42P01")
        detail::fail(DataError::TableNotFound, {written(quotedSubject(message))});
    if (state == "42703") {
        std::string column = quotedSubject(message);
        if (const auto dot = column.rfind('.'); dot != std::string::npos)
            column.erase(0, dot + 1);
        detail::fail(DataError::UnknownColumn, {written(column)});
    }
    if (state == "42883") {
        std::string function = message.substr(std::min(message.size(), std::size_t{9}));
        function.erase(std::min(function.size(), function.find('(')));
        detail::fail(DataError::UnknownFunction, {written(function)});
    }
    if (state == "42601") {
        if (message.find("end of input") != std::string::npos)
            detail::fail(DataError::SyntaxIncomplete);
        std::string near = quotedSubject(message);
        if (near.size() > 1 && near[0] == '$') {
            const auto index = static_cast<std::size_t>(std::atoi(near.c_str() + 1));
            if (index >= 1 && index <= parameters.size())
                near = "'" + parameters[index - 1] + "'";
        }
        detail::fail(DataError::SyntaxNear, {near});
    }
    if (state == "25006" ||
        (state == "0A000" && message.find("data-modifying") != std::string::npos))
        detail::fail(DataError::ReadOnly);
    if (state == "42501")
        detail::fail(DataError::NoReadPermission, {server_, message});
    if (state == "57014")
        detail::fail(DataError::ServerTimeout, {server_});
    // The rows' size check (see rowsWithin in PostgresEngine.cpp) ends the statement so.
    if (state == "22P02" && message.find(kRowTooLargeMark) != std::string::npos)
        rowTooLarge();
    if (state.starts_with("22"))
        detail::fail(DataError::CriteriaTypeMismatch, {message});
    detail::fail(DataError::ServerFailure, {server_, message});
}

} // namespace veltra::detail::pg

#include "sqlite/SqliteErrors.h"

#include "Engine.h"
#include "veltra/Error.h"

#include <optional>
#include <sqlite3.h>
#include <string_view>

namespace veltra::detail {

namespace {

// The SQLite messages that a statement can cause, each with its number and its own
// description; the subject of the message (a name, a token) goes into the description
// whole, without the quoting around it.
struct KnownMessage {
    std::string_view prefix;
    std::string_view suffix;
    int number;
    std::string_view opening;
    std::string_view closing;
};

constexpr KnownMessage kKnownMessages[] = {
    {"no such table: ", "", ErrorNumber::TableNotFound,
     "O mecanismo de banco de dados não encontrou a tabela '", "'."},
    {"no such column: ", "", ErrorNumber::UnknownColumn, "Coluna desconhecida: ", "."},
    {"no such function: ", "", ErrorNumber::UnknownFunction, "Função '",
     "' indefinida na expressão."},
    {"wrong number of arguments to function ", "()", ErrorNumber::UnknownFunction,
     "Número incorreto de argumentos usados com a função '", "' na expressão."},
    {"ambiguous column name: ", "", ErrorNumber::OtherFailure, "O campo '",
     "' pode se referir a mais de uma tabela listada na cláusula FROM da instrução SQL."},
    {"near \"", "\": syntax error", ErrorNumber::SyntaxError,
     "Erro de sintaxe na instrução SQL perto de \"", "\"."},
    {"unrecognized token: \"", "\"", ErrorNumber::SyntaxError,
     "Erro de sintaxe na instrução SQL: símbolo não reconhecido '", "'."},
    {"incomplete input", "", ErrorNumber::SyntaxError, "Instrução SQL incompleta.", ""},
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
        throw Error(ErrorNumber::NotADatabase,
                    "Formato de banco de dados não reconhecido '" + path + "'.");
    case SQLITE_CANTOPEN:
        throw Error(ErrorNumber::FileNotFound,
                    "Não foi possível encontrar o arquivo '" + path + "'.");
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        throw Error(ErrorNumber::ReadOnly,
                    "Não é possível atualizar. Banco de dados ou objeto somente leitura.");
    case SQLITE_TOOBIG:
        rowTooLarge();
    case SQLITE_INTERRUPT:
        throw Error(ErrorNumber::ServerTimeout,
                    "A instrução SQL excedeu o tempo limite no arquivo '" + path + "'.");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw Error(ErrorNumber::OtherFailure,
                    "O banco de dados '" + path + "' está bloqueado por outro processo.");
    default:
        break;
    }
    for (const auto& known : kKnownMessages) {
        if (const auto subject = subjectOf(message, known, parameters))
            throw Error(known.number,
                        std::string(known.opening) + *subject + std::string(known.closing));
    }
    if (message.find("syntax error") != std::string::npos)
        throw Error(ErrorNumber::SyntaxError,
                    "Erro de sintaxe na instrução SQL (" + message + ").");
    throw Error(ErrorNumber::OtherFailure,
                "Falha no mecanismo de banco de dados (" + message + ").");
}

} // namespace veltra::detail

#include "Errors.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace veltra::detail {

namespace {

struct Entry {
    DataError error;
    int number;
    std::string_view description;
};

constexpr Entry kCatalogue[] = {
    {DataError::FileNotFound, ErrorNumber::FileNotFound, "Não foi possível encontrar o arquivo '{}'."},
    {DataError::DatabaseNotFound, ErrorNumber::FileNotFound,
     "Não foi possível encontrar o banco de dados '{}' no servidor {}."},
    {DataError::NotADatabase, ErrorNumber::NotADatabase,
     "Formato de banco de dados não reconhecido '{}'."},
    {DataError::AccessNotBuilt, ErrorNumber::NotADatabase,
     "Este programa foi construído sem a leitura de arquivos do Access ('{}')."},
    {DataError::AccessUnreadable, ErrorNumber::NotADatabase,
     "Não foi possível ler o arquivo do Access '{}' ({})."},
    {DataError::TableNotFound, ErrorNumber::TableNotFound,
     "O mecanismo de banco de dados não encontrou a tabela '{}'."},
    {DataError::UnknownColumn, ErrorNumber::UnknownColumn, "Coluna desconhecida: {}."},
    {DataError::UnknownFunction, ErrorNumber::UnknownFunction,
     "Função '{}' indefinida na expressão."},
    {DataError::WrongArgumentCount, ErrorNumber::UnknownFunction,
     "Número incorreto de argumentos usados com a função '{}' na expressão."},
    {DataError::SyntaxNear, ErrorNumber::SyntaxError,
     "Erro de sintaxe na instrução SQL perto de \"{}\"."},
    {DataError::SyntaxIncomplete, ErrorNumber::SyntaxError, "Instrução SQL incompleta."},
    {DataError::Syntax, ErrorNumber::SyntaxError, "Erro de sintaxe na instrução SQL ({})."},
    {DataError::UnrecognizedToken, ErrorNumber::SyntaxError,
     "Erro de sintaxe na instrução SQL: símbolo não reconhecido '{}'."},
    {DataError::InvalidPattern, ErrorNumber::SyntaxError, "Padrão de cadeia inválido: '{}'."},
    {DataError::TextAfterStatement, ErrorNumber::TextAfterStatement,
     "Caracteres encontrados após o fim da instrução SQL."},
    {DataError::ReadOnly, ErrorNumber::ReadOnly,
     "Não é possível atualizar. Banco de dados ou objeto somente leitura."},
    {DataError::EmptyStatement, ErrorNumber::InvalidRecordSource, "Instrução SQL vazia."},
    {DataError::NoStatement, ErrorNumber::InvalidRecordSource,
     "Instrução SQL inválida; esperava-se 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT' ou "
     "'UPDATE'."},
    {DataError::StatementTooLong, ErrorNumber::OtherFailure,
     "A instrução SQL é longa demais (mais de {} caracteres)."},
    {DataError::UnknownConnect, ErrorNumber::UnknownConnect,
     "Não foi possível encontrar um ISAM instalável para '{}'."},
    {DataError::NoCurrentRecord, ErrorNumber::NoCurrentRecord, "Nenhum registro atual."},
    {DataError::UnknownField, ErrorNumber::UnknownField, "Item não encontrado nesta coleção."},
    {DataError::NoRecordset, ErrorNumber::ObjectNotSet,
     "Variável de objeto ou variável do bloco With não definida."},
    {DataError::RowTooLarge, ErrorNumber::RecordTooLarge,
     "Registro grande demais: uma linha do resultado passa de {} MiB."},
    {DataError::FileTimeout, ErrorNumber::ServerTimeout,
     "A instrução SQL excedeu o tempo limite no arquivo '{}'."},
    {DataError::Locked, ErrorNumber::OtherFailure,
     "O banco de dados '{}' está bloqueado por outro processo."},
    {DataError::AmbiguousColumn, ErrorNumber::OtherFailure,
     "O campo '{}' pode se referir a mais de uma tabela listada na cláusula FROM da instrução "
     "SQL."},
    {DataError::EngineFailure, ErrorNumber::OtherFailure,
     "Falha no mecanismo de banco de dados ({})."},
    {DataError::CopyNotMade, ErrorNumber::OtherFailure,
     "Não foi possível fazer a cópia de pesquisa em '{}'{}."},
    {DataError::CopyNotKept, ErrorNumber::OtherFailure,
     "Não foi possível guardar a cópia de pesquisa em '{}': {}."},
    {DataError::CopyUnreadable, ErrorNumber::OtherFailure,
     "Não foi possível ler a cópia de pesquisa '{}'."},
    {DataError::NoCopyFolder, ErrorNumber::OtherFailure,
     "Nenhuma pasta pode guardar a cópia de pesquisa da tabela '{}'."},
    {DataError::NoRoomForCopy, ErrorNumber::OtherFailure,
     "Tabelas demais numa instrução: não há lugar para a cópia de '{}'."},
    {DataError::ConnectionStringInvalid, ErrorNumber::ServerUnreachable,
     "A cadeia de conexão do servidor de banco de dados é inválida."},
    {DataError::ServerUnreachable, ErrorNumber::ServerUnreachable,
     "A conexão com o servidor de banco de dados {} falhou ({})."},
    {DataError::ServerLost, ErrorNumber::ServerUnreachable,
     "A conexão com o servidor de banco de dados {} foi perdida."},
    {DataError::ServerTimeout, ErrorNumber::ServerTimeout,
     "A instrução SQL excedeu o tempo limite do servidor {}."},
    {DataError::InvalidAccount, ErrorNumber::InvalidAccount,
     "Nome de conta ou senha inválidos para o servidor {}."},
    {DataError::NoReadPermission, ErrorNumber::NoReadPermission,
     "Não é possível ler os registros; sem permissão de leitura no servidor {} ({})."},
    {DataError::CriteriaTypeMismatch, ErrorNumber::CriteriaTypeMismatch,
     "Tipo de dados incompatível na expressão de critério ({})."},
    {DataError::ServerFailure, ErrorNumber::OtherFailure,
     "Falha no servidor de banco de dados {} ({})."},
    {DataError::OutsideTransaction, ErrorNumber::OtherFailure,
     "Uma instrução do controle ficaria fora de uma transação somente leitura."},
};

} // namespace

Error dataError(DataError error, std::initializer_list<std::string_view> subjects) {
    const auto* entry =
        std::find_if(std::begin(kCatalogue), std::end(kCatalogue),
                     [&](const Entry& candidate) { return candidate.error == error; });
    std::string description;
    auto subject = subjects.begin();
    const std::string_view text = entry->description;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 2) == "{}") {
            if (subject != subjects.end())
                description += *subject++;
            ++i;
        } else {
            description += text[i];
        }
    }
    return Error(entry->number, description);
}

void fail(DataError error, std::initializer_list<std::string_view> subjects) {
    throw dataError(error, subjects);
}

} // namespace veltra::detail

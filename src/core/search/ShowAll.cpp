// The full list, showing the current row, and numeric ordering.
#include "control/ResumeNext.h"
#include "control/WorkingState.h"
#include "search/Composition.h"
#include "veltra/Error.h"
#include "veltra/Text.h"
#include "veltra/Veltra.h"

namespace veltra {

namespace {

const String kTitle = u"Mensagem ao Programador";

} // namespace

// Loads every row whose list field is not empty, unless the full list is loaded already.
// Unlike the other handlers it does not resume after a failure: it tells the developer
// what is wrong and leaves the list as it was, so that the next call tries again.
void Veltra::MostrarTodos() {
    if (state_->ListaCompleta)
        return;
    String statement;
    try {
        const QueryInputs in = queryInputs();
        if (in.listField.empty() || in.table.empty()) {
            showMessage(u"É necessário preencher o nome da tabela e do campo (ListField).",
                        std::nullopt);
            return;
        }
        statement = fullListStatement(in);
        applyStatement(statement, OnFailure::Throw);
        state_->TextoConfirmado.clear();
        state_->ListaCompleta = true;
        if (dbComb.Text().empty() && !state_->TemFoco && sNuncaVazio_)
            Mostrar();
        // The text Mostrar writes passes through the change handler, which clears it.
        state_->ListaCompleta = true;
    } catch (const Error& error) {
        reportShowAllFailure(error.number(), fromUtf8(error.what()), statement);
    } catch (const std::exception& error) {
        reportShowAllFailure(ErrorNumber::OtherFailure, fromUtf8(error.what()), statement);
    }
}

void Veltra::reportShowAllFailure(int number, const String& description, const String& statement) {
    if (number == ErrorNumber::UnknownColumn) {
        const String boundColumn = readOr(String(), [&] { return dbComb.BoundColumn(); });
        const String listField = readOr(String(), [&] { return dbComb.ListField(); });
        showMessage(u"Campo preenchido incorretamente, verifique.\r\rx4_BoundColumn:  " +
                        boundColumn + u"\rx4_ListField:  " + listField,
                    kTitle);
        return;
    }
    showMessage(description + u"\r\r" + statement, kTitle);
}

// Shows the data source's current row: right after a load the first one, otherwise
// whichever row navigation has made current.
void Veltra::Mostrar() {
    if (!state_->ListaCompleta)
        MostrarTodos();
    resumeNext([&] { dbComb.Text(Data1.recordset().Field(1).toText()); });
    resumeNext([&] { raiseCodigoAssociado(Data1.recordset().Field(0).toText()); });
}

// Takes effect with the next statement composed; nothing is reloaded now.
void Veltra::OrdemNumerica() {
    state_->OrdemNumericaAtiva = true;
}

} // namespace veltra

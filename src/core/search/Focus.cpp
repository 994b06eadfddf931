// What happens when the combo box gains and loses the focus.
#include "control/ResumeNext.h"
#include "control/WorkingState.h"
#include "search/Composition.h"
#include "veltra/Text.h"
#include "veltra/Veltra.h"

namespace veltra {

// A test that cannot be evaluated (no data source yet, no current row) counts as holding:
// the actions it guards run, and fail harmlessly where they need what is missing.
void Veltra::dbComb_GotFocus() {
    state_->AbrirListaPendente = true;
    state_->TemFoco = true;
    const auto text = [&] { return readOr(String(), [&] { return dbComb.Text(); }); };
    if (text().empty() && !sListaSoResultado_) {
        MostrarTodos();
    } else if (readOr(true,
                      [&] { return Data1.recordset().RecordCount() > 1 && sListaSoResultado_; })) {
        // Result-only mode: the list keeps only the rows that show the text.
        applyStatement(exactTextStatement(queryInputs(), text()), OnFailure::ResumeNext);
    }
    if (sListaSoResultado_)
        resumeNext([&] { dbComb.BoundText(text()); });
    resumeNext([&] { dbComb.BackColor(CorDeFoco); });
}

// Free text, which names no row of the data source, is corrected once more on the way
// out; the colour and the configured tool tip come back; an empty box may get the first
// row; and the text is confirmed, so the next key release does not search again.
void Veltra::dbComb_LostFocus() {
    state_->TemFoco = false;
    state_->AbrirListaPendente = false;
    const auto text = [&] { return readOr(String(), [&] { return dbComb.Text(); }); };
    const auto write = [&](const String& corrected) {
        resumeNext([&] { dbComb.Text(corrected); });
    };
    const bool freeText = !text().empty() && readOr(true, [&] {
        return dbComb.BoundText() != Data1.recordset().Field(0).toText();
    });
    if (freeText) {
        if (sLetraCapital_ && trimSpaces(text()) != trimSpaces(state_->TextoCapitalizado))
            write(ConverterLetraCapital(text()));
        if (sSempreMaiusculas_ && text() != upperCase(text()))
            write(upperCase(text()));
        if (sMaxLength_ > 0 && text().size() > static_cast<std::size_t>(sMaxLength_))
            write(leadingCharacters(text(), static_cast<std::size_t>(sMaxLength_)));
        if (text() != trimSpaces(text()))
            write(trimSpaces(text()));
    }
    resumeNext([&] { dbComb.BackColor(CorDeFundoDaJanela); });
    resumeNext([&] { dbComb.ToolTipText(ToolTipText2_); });
    if (text().empty() && sNuncaVazio_)
        Mostrar();
    state_->TextoConfirmado = text();
}

} // namespace veltra

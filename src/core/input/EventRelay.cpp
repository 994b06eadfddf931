// Mouse, click and text-box events passed on to the host, with the control's own
// reactions: a clicked list row is confirmed and reported, a click on the button cancels
// the automatic list opening, and a click that brings the focus selects the whole text.
#include "control/ResumeNext.h"
#include "control/WorkingState.h"
#include "veltra/Veltra.h"

namespace veltra {

void Veltra::dbComb_Click(Integer& Area) {
    if (Area == ClickArea::List) {
        resumeNext([&] { state_->TextoConfirmado = dbComb.Text(); });
        if (!sListaSoResultado_)
            resumeNext([&] { raiseCodigoAssociado(dbComb.BoundText()); });
        // A row whose list value is its key (the same column listed and bound) is no
        // choice of a row: no Click.
        if (readOr(true, [&] { return dbComb.BoundText() != dbComb.Text(); }))
            resumeNext([&] { events_.Click(); });
        if (sAutoEnterClick_)
            DarTAB();
    }
    if (Area == ClickArea::Button)
        state_->AbrirListaPendente = false;
    Area = 0;
}

void Veltra::dbComb_DblClick(Integer& Area) {
    resumeNext([&] { events_.DblClick(Area); });
    Area = 0;
}

void Veltra::dbComb_MouseMove(Integer& Button, Integer& Shift, Single& x, Single& y) {
    resumeNext([&] { events_.MouseMove(Button, Shift, x, y); });
}

void Veltra::dbComb_MouseDown(Integer& Button, Integer& Shift, Single& x, Single& y) {
    resumeNext([&] { events_.MouseDown(Button, Shift, x, y); });
    if (!state_->TemFoco)
        state_->SelecionarTudo = true;
}

// The release of the click that brought the focus selects the whole text; later clicks
// leave the selection to the box.
void Veltra::dbComb_MouseUp(Integer& Button, Integer& Shift, Single& x, Single& y) {
    resumeNext([&] { events_.MouseUp(Button, Shift, x, y); });
    if (!state_->SelecionarTudo)
        return;
    resumeNext([&] { dbComb.SelStart(0); });
    resumeNext([&] { dbComb.SelLength(static_cast<Long>(dbComb.Text().size())); });
    state_->SelecionarTudo = false;
}

// The data source stands on no row with a list value: no row is chosen any more.
void Veltra::txtDbComb_Change() {
    if (!sListaSoResultado_ && readOr(true, [&] { return txtDbComb.Text().empty(); }))
        raiseCodigoAssociado(u"");
}

} // namespace veltra

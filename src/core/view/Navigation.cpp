// Stepping through the rows of the current result: each step shows the row's list value
// and reports its key.
#include "control/ResumeNext.h"
#include "veltra/Veltra.h"

namespace veltra {

// Nothing happens unless the bound check holds. A check that cannot be read (no result
// yet) lets the steps run, and each of them fails on its own without a trace.
template <class Check, class Move>
void Veltra::stepTo(Check&& allowed, Move&& move) {
    if (!readOr(true, allowed))
        return;
    resumeNext([&] { move(Data1.recordset()); });
    resumeNext([&] { dbComb.Text(Data1.recordset().Field(1).toText()); });
    resumeNext([&] { raiseCodigoAssociado(Data1.recordset().Field(0).toText()); });
}

void Veltra::DadosAvançar() {
    stepTo(
        [&] {
            auto& records = Data1.recordset();
            return records.AbsolutePosition() < records.RecordCount() - 1;
        },
        [](Recordset& records) { records.MoveNext(); });
}

void Veltra::DadosRecuar() {
    stepTo([&] { return Data1.recordset().AbsolutePosition() > 0; },
           [](Recordset& records) { records.MovePrevious(); });
}

void Veltra::DadosIrAoPrimeiro() {
    stepTo([&] { return Data1.recordset().RecordCount() > 1; },
           [](Recordset& records) { records.MoveFirst(); });
}

void Veltra::DadosIrAoUltimo() {
    stepTo([&] { return Data1.recordset().RecordCount() > 1; },
           [](Recordset& records) { records.MoveLast(); });
}

} // namespace veltra

// Reading the composition inputs from the control, applying a composed statement, and the
// table probe.
#include "control/ResumeNext.h"
#include "control/WorkingState.h"
#include "search/Composition.h"
#include "veltra/Text.h"
#include "veltra/Veltra.h"

namespace veltra {

QueryInputs Veltra::queryInputs() const {
    QueryInputs in;
    in.listField = readOr(String(), [&] { return dbComb.ListField(); });
    in.boundColumn = readOr(String(), [&] { return dbComb.BoundColumn(); });
    in.table = x2_NomeTabela_;
    in.auxTable = yTabelaAuxiliar_;
    in.auxColumn = yCampoAuxiliar_;
    in.auxValue = yValorAuxiliar_;
    in.extraColumns = namesOfList(readOr(String(), [&] { return dbComb.ExtraColumns(); }));
    in.numericOrder = state_->OrdemNumericaAtiva;
    return in;
}

// The data source runs the statement and its first row becomes current; then the combo
// box re-reads its list. A statement the data source rejects leaves the previous rows.
void Veltra::applyStatement(const String& statement, OnFailure onFailure) {
    if (onFailure == OnFailure::Throw) {
        Data1.RecordSource(statement);
        Data1.Refresh();
        dbComb.Refresh();
        return;
    }
    resumeNext([&] { Data1.RecordSource(statement); });
    resumeNext([&] { Data1.Refresh(); });
    resumeNext([&] { dbComb.Refresh(); });
}

// Makes the data source hold every column of the table, so that writing a column name
// into the combo box or the text box checks that the table has it.
void Veltra::probeTable() {
    const String probe = tableStatement(x2_NomeTabela_);
    if (Data1.RecordSource() == probe)
        return;
    Data1.RecordSource(probe);
    Data1.Refresh();
}

} // namespace veltra

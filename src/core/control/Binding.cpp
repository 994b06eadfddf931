// The data-source properties: where each value lives, the checks that the database file,
// table and fields exist, and the messages that tell the developer when they do not.
#include "control/ResumeNext.h"
#include "control/WorkingState.h"
#include "veltra/Codes.h"
#include "veltra/Text.h"
#include "veltra/Veltra.h"

namespace veltra {

namespace {

const String kAuxiliaryTableMessage =
    u"O nome da tabela auxiliar não pode ser igual ao da tabela principal.\r"
    u"Preencha apenas o campo auxiliar e o valor auxiliar e deixe tabela auxiliar vazio.";

} // namespace

void Veltra::showMessage(const String& prompt, const std::optional<String>& title) {
    resumeNext([&] { windowing_.MsgBox(prompt, MessageStyle::Exclamation, title); });
}

void Veltra::clearShownText() {
    if (!dbComb.Text().empty())
        dbComb.Text(u"");
}

void Veltra::reportFieldError(const String& field) {
    showMessage(u"Este nome de campo: " + field + u"\r\rNão existe na tabela: " + x2_NomeTabela_,
                u"Atenção");
}

String Veltra::Connect() const {
    return readOr(String(), [&] { return Data1.Connect(); });
}
void Veltra::Connect(const String& New_Connect) {
    resumeNext([&] { Data1.Connect(New_Connect); });
    notify(u"Connect");
}

String Veltra::x1_DatabaseName() const {
    return readOr(String(), [&] { return Data1.DatabaseName(); });
}
// A file must exist; a server's connection string is only tried at the first refresh.
void Veltra::x1_DatabaseName(const String& New_DatabaseName) {
    const bool found = readOr(false, [&] {
        return !Data1.DatabaseNameIsFile() || !windowing_.Dir(New_DatabaseName).empty();
    });
    if (!found) {
        showMessage(u"Banco de dados não encontrado.", u"Atenção");
        return;
    }
    resumeNext([&] { Data1.DatabaseName(New_DatabaseName); });
    notify(u"DatabaseName");
    state_->ListaCompleta = false;
}

String Veltra::x2_NomeTabela() const {
    return x2_NomeTabela_;
}
void Veltra::x2_NomeTabela(const String& New_NomeTabela) {
    if (yTabelaAuxiliar_ == New_NomeTabela) {
        showMessage(kAuxiliaryTableMessage, std::nullopt);
        yTabelaAuxiliar_.clear();
    }
    x2_NomeTabela_ = New_NomeTabela;
    notify(u"NomeTabela");
}

String Veltra::x4_BoundColumn() const {
    return readOr(String(), [&] { return dbComb.BoundColumn(); });
}
void Veltra::x4_BoundColumn(const String& New_BoundColumn) {
    try {
        probeTable();
        if (New_BoundColumn.empty()) {
            dbComb.BoundColumn(String(kNoBoundColumn));
        } else {
            dbComb.BoundColumn(New_BoundColumn);
            notify(u"BoundColumn");
        }
        clearShownText();
    } catch (...) {
        reportFieldError(New_BoundColumn);
    }
}

String Veltra::x3_ListField() const {
    return readOr(String(), [&] { return dbComb.ListField(); });
}
void Veltra::x3_ListField(const String& New_ListField) {
    state_->ListaCompleta = false;
    try {
        probeTable();
        dbComb.ListField(New_ListField);
        txtDbComb.DataField(New_ListField);
        notify(u"ListField");
        clearShownText();
    } catch (...) {
        reportFieldError(New_ListField);
    }
}

String Veltra::x5_OutrasColunas() const {
    return readOr(String(), [&] { return dbComb.ExtraColumns(); });
}
// Each name must be a column of the table: the first that is not is reported, as a wrong
// list field is, and the columns shown stay as they were.
void Veltra::x5_OutrasColunas(const String& New_OutrasColunas) {
    const String shown = x5_OutrasColunas();
    const auto names = namesOfList(New_OutrasColunas);
    String checked;
    try {
        if (!names.empty())
            probeTable();
        for (const auto& name : names) {
            checked = name;
            dbComb.ExtraColumns(name);
        }
        dbComb.ExtraColumns(New_OutrasColunas);
        notify(u"OutrasColunas");
    } catch (...) {
        resumeNext([&] { dbComb.ExtraColumns(shown); });
        reportFieldError(checked.empty() ? names.front() : checked);
    }
}

String Veltra::BoundText() const {
    return readOr(String(), [&] { return dbComb.BoundText(); });
}
void Veltra::BoundText(const String& New_BoundText) {
    if (New_BoundText.empty())
        return;
    // A key that cannot be read counts as different: the list load and the write follow.
    if (readOr(false, [&] { return dbComb.BoundText() == New_BoundText; }))
        return;
    MostrarTodos();
    resumeNext([&] { dbComb.BoundText(New_BoundText); });
    notify(u"BoundText");
}

String Veltra::yTabelaAuxiliar() const {
    return yTabelaAuxiliar_;
}
void Veltra::yTabelaAuxiliar(const String& New_yTabelaAuxiliar) {
    if (New_yTabelaAuxiliar != x2_NomeTabela_) {
        yTabelaAuxiliar_ = New_yTabelaAuxiliar;
        notify(u"yTabelaAuxiliar");
        return;
    }
    showMessage(kAuxiliaryTableMessage, std::nullopt);
    yTabelaAuxiliar_.clear();
}

String Veltra::yValorAuxiliar() const {
    return yValorAuxiliar_;
}
void Veltra::yValorAuxiliar(const String& New_yValorAuxiliar) {
    state_->ListaCompleta = false;
    yValorAuxiliar_ = New_yValorAuxiliar;
    notify(u"yValorAuxiliar");
}

} // namespace veltra

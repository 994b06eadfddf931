// The control object: its surroundings, its option properties and a new instance's defaults.
#include "veltra/Veltra.h"

#include "control/ResumeNext.h"
#include "control/WorkingState.h"
#include "veltra/Text.h"

namespace veltra {

Veltra::Veltra(Surroundings s)
    : dbComb(s.dbComb), Data1(s.Data1), txtDbComb(s.txtDbComb), host_(s.host),
      windowing_(s.windowing), events_(s.events), state_(std::make_unique<WorkingState>()) {
    dbComb.attach(this);
    txtDbComb.attach(this);
    host_.attach(this);
}

Veltra::~Veltra() {
    dbComb.attach(nullptr);
    txtDbComb.attach(nullptr);
    host_.attach(nullptr);
}

void Veltra::notify(const char16_t* key) {
    resumeNext([&] { host_.PropertyChanged(key); });
}

// The host gets its own copy of the key: what its handler does with it is not read back.
void Veltra::raiseCodigoAssociado(String Numero) {
    resumeNext([&] { events_.CodigoAssociado(Numero); });
}

void Veltra::InitProperties() {
    FontAuto_ = true;
}

// The two case options exclude each other: switching one on switches the other off, and
// the nested Let receives False, so the chain stops after one step.
bool Veltra::sSempreMaiusculas() const {
    return sSempreMaiusculas_;
}
void Veltra::sSempreMaiusculas(bool New_sSempreMaiusculas) {
    sSempreMaiusculas_ = New_sSempreMaiusculas;
    notify(u"sSempreMaiusculas");
    if (New_sSempreMaiusculas)
        sLetraCapital(false);
}

bool Veltra::sLetraCapital() const {
    return sLetraCapital_;
}
void Veltra::sLetraCapital(bool New_sLetraCapital) {
    sLetraCapital_ = New_sLetraCapital;
    notify(u"sLetraCapital");
    if (New_sLetraCapital)
        sSempreMaiusculas(false);
}

// Stored padded with one space on each side, so that the tip does not touch the border.
// The box shows it from the next restore or focus exit on, not at once.
String Veltra::ToolTipText2() const {
    return ToolTipText2_;
}
void Veltra::ToolTipText2(const String& New_ToolTipText2) {
    if (New_ToolTipText2 == ToolTipText2_)
        return;
    const String trimmed = trimSpaces(New_ToolTipText2);
    ToolTipText2_ = trimmed.empty() ? String() : u" " + trimmed + u" ";
    notify(u"ToolTipText2");
}

} // namespace veltra

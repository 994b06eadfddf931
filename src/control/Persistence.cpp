// Saving the configuration with the host's form and restoring it.
#include "control/ResumeNext.h"
#include "veltra/Veltra.h"

namespace veltra {

namespace {

// The system colour for window text, as the signed 32-bit value the bag keeps.
constexpr Long kDefaultForeColor = static_cast<Long>(CorDoTextoDaJanela);

} // namespace

// Restores straight into the members and the child controls, in a fixed order, without
// the checks and notifications of the property Lets. A key whose value cannot be
// converted, or a child that refuses its value, leaves that one value as it was.
void Veltra::ReadProperties(PropertyBag& bag) {
    const auto read = [&](const char16_t* key, const Variant& defaultValue) {
        return bag.ReadProperty(key, defaultValue);
    };
    resumeNext([&] { sAutoEnterTab_ = read(u"sAutoEnterTab", false).toBoolean(); });
    resumeNext([&] { sAutoEnterClick_ = read(u"sAutoEnterClick", false).toBoolean(); });
    resumeNext([&] { sTirarAcento_ = read(u"sTirarAcento", false).toBoolean(); });
    resumeNext([&] { sSempreMaiusculas_ = read(u"sSempreMaiusculas", false).toBoolean(); });
    resumeNext([&] { sApenasLetras_ = read(u"sApenasLetras", false).toBoolean(); });
    resumeNext([&] { sLetraCapital_ = read(u"sLetraCapital", false).toBoolean(); });
    resumeNext([&] {
        dbComb.ForeColor(static_cast<Colour>(read(u"ForeColor", kDefaultForeColor).toLong()));
    });
    resumeNext([&] { dbComb.Enabled(read(u"Enabled", true).toBoolean()); });
    resumeNext([&] { dbComb.Font(read(u"Font", host_.AmbientFont()).toFont()); });
    resumeNext([&] { dbComb.Locked(read(u"Locked", false).toBoolean()); });
    resumeNext([&] { dbComb.Text(read(u"Text", u"").toText()); });
    resumeNext([&] { dbComb.BoundColumn(read(u"BoundColumn", u"").toText()); });
    resumeNext([&] { Data1.Connect(read(u"Connect", u"Access").toText()); });
    resumeNext([&] { Data1.DatabaseName(read(u"DatabaseName", u"").toText()); });
    resumeNext([&] { dbComb.ListField(read(u"ListField", u"").toText()); });
    resumeNext([&] { txtDbComb.DataField(dbComb.ListField()); });
    resumeNext([&] { sMaxLength_ = read(u"sMaxLength", 0).toInteger(); });
    resumeNext([&] { DataFields = read(u"DataFields", u"").toText(); });
    resumeNext([&] { x2_NomeTabela_ = read(u"NomeTabela", u"").toText(); });
    resumeNext([&] { ToolTipText2_ = read(u"ToolTipText2", u"").toText(); });
    resumeNext([&] { sNuncaVazio_ = read(u"sNuncaVazio", false).toBoolean(); });
    resumeNext([&] { yValorAuxiliar_ = read(u"yValorAuxiliar", u"").toText(); });
    resumeNext([&] { yCampoAuxiliar_ = read(u"yCampoAuxiliar", u"").toText(); });
    resumeNext([&] { yTabelaAuxiliar_ = read(u"yTabelaAuxiliar", u"").toText(); });
    resumeNext([&] { dbComb.ToolTipText(ToolTipText2_); });
}

// Saves the 23 keys in their fixed order, each with its default.
void Veltra::WriteProperties(PropertyBag& bag) {
    const auto write = [&](const char16_t* key, auto&& value, const Variant& defaultValue) {
        resumeNext([&] { bag.WriteProperty(key, Variant(value()), defaultValue); });
    };
    write(
        u"ForeColor", [&] { return static_cast<Long>(dbComb.ForeColor()); }, kDefaultForeColor);
    write(
        u"Enabled", [&] { return dbComb.Enabled(); }, true);
    write(
        u"Font", [&] { return dbComb.Font(); },
        readOr(FontRef(), [&] { return host_.AmbientFont(); }));
    write(
        u"Locked", [&] { return dbComb.Locked(); }, false);
    write(
        u"Text", [&] { return dbComb.SavedText(); }, u"");
    write(
        u"sAutoEnterTab", [&] { return sAutoEnterTab_; }, false);
    write(
        u"sAutoEnterClick", [&] { return sAutoEnterClick_; }, false);
    write(
        u"sTirarAcento", [&] { return sTirarAcento_; }, false);
    write(
        u"sSempreMaiusculas", [&] { return sSempreMaiusculas_; }, false);
    write(
        u"sApenasLetras", [&] { return sApenasLetras_; }, false);
    write(
        u"sLetraCapital", [&] { return sLetraCapital_; }, false);
    write(
        u"BoundColumn", [&] { return dbComb.BoundColumn(); }, u"");
    write(
        u"Connect", [&] { return Data1.Connect(); }, u"Access");
    write(
        u"DatabaseName", [&] { return Data1.DatabaseName(); }, u"");
    write(
        u"ListField", [&] { return dbComb.ListField(); }, u"");
    write(
        u"sMaxLength", [&] { return sMaxLength_; }, 0);
    write(
        u"DataFields", [&] { return DataFields; }, u"");
    write(
        u"NomeTabela", [&] { return x2_NomeTabela_; }, u"");
    write(
        u"ToolTipText2", [&] { return ToolTipText2_; }, u"");
    write(
        u"sNuncaVazio", [&] { return sNuncaVazio_; }, false);
    write(
        u"yValorAuxiliar", [&] { return yValorAuxiliar_; }, u"");
    write(
        u"yCampoAuxiliar", [&] { return yCampoAuxiliar_; }, u"");
    write(
        u"yTabelaAuxiliar", [&] { return yTabelaAuxiliar_; }, u"");
}

} // namespace veltra

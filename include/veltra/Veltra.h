// Veltra: a search combo box over one table of a desktop database file.
//
// The host creates one Veltra with its surroundings (the combo box, the data source, the
// bound text box, the host services and the event sink), then calls InitProperties for a
// new instance or ReadProperties for a saved one. Everything runs on the host's
// user-interface thread; child notifications re-enter the control synchronously.
#pragma once

#include "veltra/Events.h"
#include "veltra/Font.h"
#include "veltra/Types.h"
#include "veltra/platform/ComboBox.h"
#include "veltra/platform/DataSource.h"
#include "veltra/platform/Host.h"
#include "veltra/platform/Notifications.h"

namespace veltra {

struct QueryInputs;

// The child controls and host services that one control uses for its whole life.
struct Surroundings {
    ComboBox& dbComb;
    DataSource& Data1;
    TextBox& txtDbComb;
    Host& host;
    Windowing& windowing;
    VeltraEvents& events;
};

class Veltra final : public ControlNotifications {
  public:
    explicit Veltra(Surroundings surroundings);
    ~Veltra() override;
    Veltra(const Veltra&) = delete;
    Veltra& operator=(const Veltra&) = delete;

    // Lifecycle, called by the host.
    void InitProperties();
    void ReadProperties(PropertyBag& bag);
    void WriteProperties(PropertyBag& bag);

    // Appearance and text, held by the combo box.
    Colour ForeColor() const;
    void ForeColor(Colour New_ForeColor);
    bool Enabled() const;
    void Enabled(bool New_Enabled);
    FontRef Font() const;
    void Font(FontRef New_Font);
    bool Locked() const;
    void Locked(bool New_Locked);
    String Text() const;
    void Text(const String& New_Text);

    // Option switches.
    bool sAutoEnterTab() const;
    void sAutoEnterTab(bool New_sAutoEnterTab);
    bool sAutoEnterClick() const;
    void sAutoEnterClick(bool New_sAutoEnterClick);
    bool sTirarAcento() const;
    void sTirarAcento(bool New_sTirarAcento);
    bool sSempreMaiusculas() const;
    void sSempreMaiusculas(bool New_sSempreMaiusculas);
    bool FontAuto() const;
    void FontAuto(bool New_FontAuto);
    bool sApenasLetras() const;
    void sApenasLetras(bool New_sApenasLetras);
    bool sLetraCapital() const;
    void sLetraCapital(bool New_sLetraCapital);
    Integer sMaxLength() const;
    void sMaxLength(Integer New_sMaxLength);
    bool sListaSoResultado() const;
    void sListaSoResultado(bool New_sListaSoResultado);
    String ToolTipText2() const;
    void ToolTipText2(const String& New_ToolTipText2);
    bool sNuncaVazio() const;
    void sNuncaVazio(bool New_sNuncaVazio);

    // Data source binding.
    String x4_BoundColumn() const;
    void x4_BoundColumn(const String& New_BoundColumn);
    String Connect() const;
    void Connect(const String& New_Connect);
    String x1_DatabaseName() const;
    void x1_DatabaseName(const String& New_DatabaseName);
    String x3_ListField() const;
    void x3_ListField(const String& New_ListField);
    String x2_NomeTabela() const;
    void x2_NomeTabela(const String& New_NomeTabela);
    String BoundText() const;
    void BoundText(const String& New_BoundText);
    String yValorAuxiliar() const;
    void yValorAuxiliar(const String& New_yValorAuxiliar);
    String yCampoAuxiliar() const;
    void yCampoAuxiliar(const String& New_yCampoAuxiliar);
    String yTabelaAuxiliar() const;
    void yTabelaAuxiliar(const String& New_yTabelaAuxiliar);

    // Read and written by the host directly; only the key-release search reads it.
    bool SuperPesquisa = false;

    // Methods.
    String ConverterLetraCapital(const Variant& Texto);
    bool EstarComFoco();
    void AbrirJanela();
    void OrdemNumerica();
    void Mostrar();
    void DadosAvançar();
    void DadosRecuar();
    void DadosIrAoPrimeiro();
    void DadosIrAoUltimo();
    void MostrarTodos();
    void Refresh();
    Variant DarTAB();

    // Notifications of the child controls and the host.
    void dbComb_GotFocus() override;
    void dbComb_LostFocus() override;
    void dbComb_Click(Integer& Area) override;
    void dbComb_DblClick(Integer& Area) override;
    void dbComb_KeyDown(Integer& KeyCode, Integer& Shift) override;
    void dbComb_KeyPress(Integer& KeyAscii) override;
    void dbComb_KeyUp(Integer& KeyCode, Integer& Shift) override;
    void dbComb_MouseDown(Integer& Button, Integer& Shift, Single& x, Single& y) override;
    void dbComb_MouseMove(Integer& Button, Integer& Shift, Single& x, Single& y) override;
    void dbComb_MouseUp(Integer& Button, Integer& Shift, Single& x, Single& y) override;
    void dbComb_Change() override;
    void txtDbComb_Change() override;
    void UserControl_Resize() override;

  private:
    enum class OnFailure { ResumeNext, Throw };

    // Query composition and the apply sequence.
    QueryInputs queryInputs() const;
    void applyStatement(const String& statement, OnFailure onFailure);
    // Table probe and text clearing shared by the bound-column and list-field Lets.
    void probeTable();
    void clearShownText();
    void reportFieldError(const String& field);
    void reportShowAllFailure(int number, const String& description, const String& statement);
    void showMessage(const String& prompt, const std::optional<String>& title);
    void notify(const char16_t* key);
    void raiseCodigoAssociado(String Numero);
    template <class Check, class Move>
    void stepTo(Check&& allowed, Move&& move);
    void PosicionarCursor();

    ComboBox& dbComb;
    DataSource& Data1;
    TextBox& txtDbComb;
    Host& host_;
    Windowing& windowing_;
    VeltraEvents& events_;

    // Working state shared by the handlers.
    String TextoCapitalizado;
    Integer UltimaPosicao = 0;
    bool ListaAbertaNaTecla = false;
    bool TemFoco = false;
    bool AbrirListaPendente = false;
    bool TeclouApagar = false;
    bool ListaCompleta = false;
    bool SelecionarTudo = false;
    String TextoConfirmado;
    bool OrdemNumericaAtiva = false;
    // How many runs of the text-change handler are under way, nested through its writes.
    int changeNesting_ = 0;
    // Stored option and auxiliary values.
    String yTabelaAuxiliar_;
    bool sNuncaVazio_ = false;
    String yValorAuxiliar_;
    String yCampoAuxiliar_;
    String ToolTipText2_;
    bool sListaSoResultado_ = false;
    String x2_NomeTabela_;
    String DataFields;
    Integer sMaxLength_ = 0;
    bool sApenasLetras_ = false;
    bool sLetraCapital_ = false;
    bool FontAuto_ = false;
    bool sAutoEnterTab_ = false;
    bool sAutoEnterClick_ = false;
    bool sTirarAcento_ = false;
    bool sSempreMaiusculas_ = false;
};

} // namespace veltra

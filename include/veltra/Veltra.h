// Veltra: a search combo box over one table of a desktop database file.
//
// The host creates one Veltra with its surroundings (the combo box, the data source, the
// bound text box, the host services and the event sink), then calls InitProperties for a
// new instance or ReadProperties for a saved one. Everything runs on the host's
// user-interface thread; child notifications re-enter the control synchronously.
#pragma once

#include "veltra/Events.h"
#include "veltra/Font.h"
#include "veltra/Properties.h"
#include "veltra/PropertyList.h"
#include "veltra/Types.h"
#include "veltra/platform/ComboBox.h"
#include "veltra/platform/DataSource.h"
#include "veltra/platform/Host.h"
#include "veltra/platform/Notifications.h"

#include <memory>

namespace veltra {

struct QueryInputs;
struct WorkingState;

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

    // The properties, each a Get and a Let under its own name (Set for Font), as
    // veltra/PropertyList.h lists them.
#define VELTRA_DECLARE_ACCESSORS(Name, Type, Id, Holder, ...)                                      \
    VELTRA_IF_ACCESSORS_##Holder(Type Name() const; void Name(PropertyArgument<Type> New_##Name);)
    VELTRA_PROPERTIES(VELTRA_DECLARE_ACCESSORS)
#undef VELTRA_DECLARE_ACCESSORS

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
    friend std::span<const PropertyInfo> properties();
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

    // The working state that the handlers share (see control/WorkingState.h).
    std::unique_ptr<WorkingState> state_;
    // The values of the properties that the control keeps itself.
#define VELTRA_DECLARE_MEMBER(Name, Type, Id, Holder, ...)                                         \
    VELTRA_IF_MEMBER_##Holder(Type Name##_{};)
    VELTRA_PROPERTIES(VELTRA_DECLARE_MEMBER)
#undef VELTRA_DECLARE_MEMBER
};

} // namespace veltra

// The Veltra control as a Qt Widgets widget: a real editable combo box over the data
// source, with every property a Q_PROPERTY and every event a signal of the same name.
#pragma once

#include "veltra/Veltra.h"

#include <QFont>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

class QComboBox;

namespace veltra::qt {

// The Qt type that a property of the control's type has on the widget.
template <class T>
using QtValue = std::conditional_t<
    std::is_same_v<T, Integer>, qint16,
    std::conditional_t<
        std::is_same_v<T, Colour>, quint32,
        std::conditional_t<std::is_same_v<T, String>, QString,
                           std::conditional_t<std::is_same_v<T, FontRef>, QFont, T>>>>;

class VeltraWidget : public QWidget {
    Q_OBJECT
    // The control's properties (veltra/PropertyList.h), written out for moc, which does not
    // expand macros; a test keeps them in step with the property table.
    Q_PROPERTY(quint32 ForeColor READ ForeColor WRITE set_ForeColor)
    Q_PROPERTY(bool Enabled READ Enabled WRITE set_Enabled)
    Q_PROPERTY(QFont Font READ Font WRITE set_Font)
    Q_PROPERTY(bool Locked READ Locked WRITE set_Locked)
    Q_PROPERTY(QString Text READ Text WRITE set_Text)
    Q_PROPERTY(bool sAutoEnterTab READ sAutoEnterTab WRITE set_sAutoEnterTab)
    Q_PROPERTY(bool sAutoEnterClick READ sAutoEnterClick WRITE set_sAutoEnterClick)
    Q_PROPERTY(bool sTirarAcento READ sTirarAcento WRITE set_sTirarAcento)
    Q_PROPERTY(bool sSempreMaiusculas READ sSempreMaiusculas WRITE set_sSempreMaiusculas)
    Q_PROPERTY(bool FontAuto READ FontAuto WRITE set_FontAuto)
    Q_PROPERTY(bool sApenasLetras READ sApenasLetras WRITE set_sApenasLetras)
    Q_PROPERTY(bool sLetraCapital READ sLetraCapital WRITE set_sLetraCapital)
    Q_PROPERTY(QString x4_BoundColumn READ x4_BoundColumn WRITE set_x4_BoundColumn)
    Q_PROPERTY(QString Connect READ Connect WRITE set_Connect)
    Q_PROPERTY(QString x1_DatabaseName READ x1_DatabaseName WRITE set_x1_DatabaseName)
    Q_PROPERTY(QString x3_ListField READ x3_ListField WRITE set_x3_ListField)
    Q_PROPERTY(qint16 sMaxLength READ sMaxLength WRITE set_sMaxLength)
    Q_PROPERTY(QString x2_NomeTabela READ x2_NomeTabela WRITE set_x2_NomeTabela)
    Q_PROPERTY(bool sListaSoResultado READ sListaSoResultado WRITE set_sListaSoResultado)
    Q_PROPERTY(QString BoundText READ BoundText WRITE set_BoundText)
    Q_PROPERTY(QString ToolTipText2 READ ToolTipText2 WRITE set_ToolTipText2)
    Q_PROPERTY(bool sNuncaVazio READ sNuncaVazio WRITE set_sNuncaVazio)
    Q_PROPERTY(QString yValorAuxiliar READ yValorAuxiliar WRITE set_yValorAuxiliar)
    Q_PROPERTY(QString yCampoAuxiliar READ yCampoAuxiliar WRITE set_yCampoAuxiliar)
    Q_PROPERTY(QString yTabelaAuxiliar READ yTabelaAuxiliar WRITE set_yTabelaAuxiliar)
    // The public member variable.
    Q_PROPERTY(bool SuperPesquisa READ SuperPesquisa WRITE set_SuperPesquisa)

  public:
    // A new instance (InitProperties), or one restored from a saved form's properties.
    explicit VeltraWidget(QWidget* parent = nullptr);
    VeltraWidget(PropertyBag& saved, QWidget* parent = nullptr);
    ~VeltraWidget() override;

    // The control itself, for everything the properties do not cover (methods, the shared
    // font object).
    Veltra& control();
    QComboBox& comboBox();
    // The point of the widget at the control's coordinates x and y, in the unit in which its
    // mouse events carry them (twips until the host first sizes the control, pixels after).
    QPointF pointAt(float x, float y) const;

    // Shows the message instead of a modal box when set (tests, scripted runs).
    void
    setMessageHandler(std::function<void(const QString& prompt, const QString& title)> handler);

    // Each property's Get and Let, in Qt's types (veltra/PropertyList.h).
#define VELTRA_QT_DECLARE_ACCESSORS(Name, Type, Id, Holder, ...)                                   \
    VELTRA_IF_ACCESSORS_##Holder(QtValue<Type> Name() const;                                       \
                                 void set_##Name(const QtValue<Type>& value);)
    VELTRA_PROPERTIES(VELTRA_QT_DECLARE_ACCESSORS)
#undef VELTRA_QT_DECLARE_ACCESSORS
    bool SuperPesquisa() const;
    void set_SuperPesquisa(bool value);

  signals:
    void CodigoAssociado(QString& Numero);
    void Change();
    void Click();
    void DblClick(qint16& Area);
    void KeyDown(qint16& KeyCode, qint16& Shift);
    void KeyPress(qint16& KeyAscii);
    void KeyUp(qint16& KeyCode, qint16& Shift);
    void MouseMove(qint16& Button, qint16& Shift, float& x, float& y);
    void MouseUp(qint16& Button, qint16& Shift, float& x, float& y);
    void MouseDown(qint16& Button, qint16& Shift, float& x, float& y);
    // The property saved under the key changed: the form should be saved again.
    void PropertyChanged(const QString& key);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class WidgetAccess;
    class Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace veltra::qt

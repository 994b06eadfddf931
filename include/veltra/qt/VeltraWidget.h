// The Veltra control as a Qt Widgets widget: a real editable combo box over the data
// source, with every property a Q_PROPERTY and every event a signal of the same name.
#pragma once

#include "veltra/Veltra.h"

#include <QColor>
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

// The Qt type that a property of the control's type has on the widget: the types Qt Designer
// edits (a colour as a colour, a 16-bit integer as an int).
template <class T>
using QtValue = std::conditional_t<
    std::is_same_v<T, Integer>, int,
    std::conditional_t<
        std::is_same_v<T, Colour>, QColor,
        std::conditional_t<std::is_same_v<T, String>, QString,
                           std::conditional_t<std::is_same_v<T, FontRef>, QFont, T>>>>;

class VeltraWidget : public QWidget {
    Q_OBJECT
    // The control's properties (veltra/PropertyList.h), written out for moc, which does not
    // expand macros; a test keeps them in step with the property table. They are in the order
    // in which a form made in Qt Designer sets them: the data source first (each of its Lets
    // checks what the ones before it set), then the options and the appearance (a font set
    // turns FontAuto off), the text last (its Let loads the table's rows).
    Q_PROPERTY(QString Connect READ Connect WRITE set_Connect)
    Q_PROPERTY(QString x1_DatabaseName READ x1_DatabaseName WRITE set_x1_DatabaseName)
    Q_PROPERTY(QString x2_NomeTabela READ x2_NomeTabela WRITE set_x2_NomeTabela)
    Q_PROPERTY(QString yTabelaAuxiliar READ yTabelaAuxiliar WRITE set_yTabelaAuxiliar)
    Q_PROPERTY(QString x3_ListField READ x3_ListField WRITE set_x3_ListField)
    Q_PROPERTY(QString x4_BoundColumn READ x4_BoundColumn WRITE set_x4_BoundColumn)
    Q_PROPERTY(QString x5_OutrasColunas READ x5_OutrasColunas WRITE set_x5_OutrasColunas)
    Q_PROPERTY(QString yCampoAuxiliar READ yCampoAuxiliar WRITE set_yCampoAuxiliar)
    Q_PROPERTY(QString yValorAuxiliar READ yValorAuxiliar WRITE set_yValorAuxiliar)
    Q_PROPERTY(bool sAutoEnterTab READ sAutoEnterTab WRITE set_sAutoEnterTab)
    Q_PROPERTY(bool sAutoEnterClick READ sAutoEnterClick WRITE set_sAutoEnterClick)
    Q_PROPERTY(bool sTirarAcento READ sTirarAcento WRITE set_sTirarAcento)
    Q_PROPERTY(bool sSempreMaiusculas READ sSempreMaiusculas WRITE set_sSempreMaiusculas)
    Q_PROPERTY(bool sLetraCapital READ sLetraCapital WRITE set_sLetraCapital)
    Q_PROPERTY(bool sApenasLetras READ sApenasLetras WRITE set_sApenasLetras)
    Q_PROPERTY(int sMaxLength READ sMaxLength WRITE set_sMaxLength)
    Q_PROPERTY(bool sListaSoResultado READ sListaSoResultado WRITE set_sListaSoResultado)
    Q_PROPERTY(bool sNuncaVazio READ sNuncaVazio WRITE set_sNuncaVazio)
    Q_PROPERTY(QString ToolTipText2 READ ToolTipText2 WRITE set_ToolTipText2)
    Q_PROPERTY(QColor ForeColor READ ForeColor WRITE set_ForeColor)
    Q_PROPERTY(bool Enabled READ Enabled WRITE set_Enabled)
    Q_PROPERTY(QFont Font READ Font WRITE set_Font)
    Q_PROPERTY(bool FontAuto READ FontAuto WRITE set_FontAuto)
    Q_PROPERTY(bool Locked READ Locked WRITE set_Locked)
    Q_PROPERTY(QString Text READ Text WRITE set_Text)
    Q_PROPERTY(QString BoundText READ BoundText WRITE set_BoundText)
    // The public member variable.
    Q_PROPERTY(bool SuperPesquisa READ SuperPesquisa WRITE set_SuperPesquisa)
    // The widget's own: whether the list draws in bold the parts of each row that matched
    // what was typed (on by default). Not saved with the control's properties.
    Q_PROPERTY(bool DestacarTrechos READ DestacarTrechos WRITE set_DestacarTrechos)
    // The property descriptions, for a property browser (the property table has them too; a
    // test keeps the two in step).
    // clang-format off
    Q_CLASSINFO("description:ForeColor", "Seleciona a cor do texto.")
    Q_CLASSINFO("description:Enabled", "Informa se o objeto estará habilitado (true).")
    Q_CLASSINFO("description:Font", "Seleciona a fonte a ser usada no texto.")
    Q_CLASSINFO("description:Locked", "Determina se a caixa de texto aceita ser digitada.")
    Q_CLASSINFO("description:Text", "Texto que aparece inicialmente na caixa de texto.")
    Q_CLASSINFO("description:sAutoEnterTab", "True = Dar TAB quando acionado o ENTER.")
    Q_CLASSINFO("description:sAutoEnterClick", "True = Ao acionar o ENTER se tem o mesmo resultado de clicar com o mouse.")
    Q_CLASSINFO("description:sTirarAcento", "True = Tira aspa, apóstrofes e troca acentos por letras similares quando digitados.")
    Q_CLASSINFO("description:sSempreMaiusculas", "True = Mantém sempre o texto digitado em maiúsculas.")
    Q_CLASSINFO("description:FontAuto", "True = O tamanho da fonte é ajustado automaticamente ao tamanho da caixa de texto.")
    Q_CLASSINFO("description:sApenasLetras", "True = Aceita digitar somente letras, ponto, barra e hífen.")
    Q_CLASSINFO("description:x4_BoundColumn", "Returns/sets the name of the source field in a Recordset object used to supply a data value to another control.")
    Q_CLASSINFO("description:Connect", "Indicates the source of an open database, a database used in a pass-through query, or an attached table.")
    Q_CLASSINFO("description:x1_DatabaseName", "Returns/sets the name and location of the source of data for a Data control.")
    Q_CLASSINFO("description:x3_ListField", "Returns/sets the name of the field in the Recordset object used to fill a control's list portion.")
    Q_CLASSINFO("description:sMaxLength", "Tamanho máximo permitido de caracteres digitados.")
    Q_CLASSINFO("description:x2_NomeTabela", "Informe o nome da tabela do banco de dados.")
    Q_CLASSINFO("description:sListaSoResultado", "Exibir na lista só o nome recém-encontrado.")
    Q_CLASSINFO("description:BoundText", "Returns/sets the name of the source field in a Recordset object used to supply a value to another Recordset or the name of the field used to fill a control.")
    Q_CLASSINFO("description:ToolTipText2", "Texto exibido quando o mouse parar sobre o controle.")
    Q_CLASSINFO("description:sNuncaVazio", "True = Sempre será exibido o primeiro resultado da pesquisa.")
    Q_CLASSINFO("description:yValorAuxiliar", "Valor que deverá coincidir com yCampoAuxiliar no banco de dados.")
    Q_CLASSINFO("description:yCampoAuxiliar", "Caso preencha este campo, todas as pesquisas terão que coincidir os valores deste campo no banco de dados conforme informado em yValorAuxiliar.")
    Q_CLASSINFO("description:yTabelaAuxiliar", "Nome da tabela onde se encontra o campo informado em yCampoAuxiliar.")
    Q_CLASSINFO("description:x5_OutrasColunas", "Colunas da tabela mostradas na lista depois do nome, separadas por ponto e vírgula (UF; Regiao).")
    // clang-format on

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
    bool DestacarTrechos() const;
    void set_DestacarTrechos(bool value);

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
    VeltraWidget(PropertyBag* saved, QWidget* parent);

    friend class WidgetAccess;
    class Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace veltra::qt

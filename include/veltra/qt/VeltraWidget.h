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

class QComboBox;

namespace veltra {
class SqliteDataSource;
class ListModel;
} // namespace veltra

namespace veltra::qt {

// Receives a line for each thing the control does to its surroundings (statements, sent
// keys, messages), in the transcript form of veltra-play.
using TraceSink = std::function<void(const std::string&)>;

class VeltraWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(quint32 ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledProperty)
    Q_PROPERTY(QFont Font READ Font WRITE setFontProperty)
    Q_PROPERTY(bool Locked READ Locked WRITE setLocked)
    Q_PROPERTY(QString Text READ Text WRITE setText)
    Q_PROPERTY(bool sAutoEnterTab READ sAutoEnterTab WRITE setSAutoEnterTab)
    Q_PROPERTY(bool sAutoEnterClick READ sAutoEnterClick WRITE setSAutoEnterClick)
    Q_PROPERTY(bool sTirarAcento READ sTirarAcento WRITE setSTirarAcento)
    Q_PROPERTY(bool sSempreMaiusculas READ sSempreMaiusculas WRITE setSSempreMaiusculas)
    Q_PROPERTY(bool FontAuto READ FontAuto WRITE setFontAuto)
    Q_PROPERTY(bool sApenasLetras READ sApenasLetras WRITE setSApenasLetras)
    Q_PROPERTY(bool sLetraCapital READ sLetraCapital WRITE setSLetraCapital)
    Q_PROPERTY(QString x4_BoundColumn READ x4_BoundColumn WRITE setX4_BoundColumn)
    Q_PROPERTY(QString Connect READ Connect WRITE setConnect)
    Q_PROPERTY(QString x1_DatabaseName READ x1_DatabaseName WRITE setX1_DatabaseName)
    Q_PROPERTY(QString x3_ListField READ x3_ListField WRITE setX3_ListField)
    Q_PROPERTY(qint16 sMaxLength READ sMaxLength WRITE setSMaxLength)
    Q_PROPERTY(QString x2_NomeTabela READ x2_NomeTabela WRITE setX2_NomeTabela)
    Q_PROPERTY(bool sListaSoResultado READ sListaSoResultado WRITE setSListaSoResultado)
    Q_PROPERTY(QString BoundText READ BoundText WRITE setBoundText)
    Q_PROPERTY(QString ToolTipText2 READ ToolTipText2 WRITE setToolTipText2)
    Q_PROPERTY(bool sNuncaVazio READ sNuncaVazio WRITE setSNuncaVazio)
    Q_PROPERTY(QString yValorAuxiliar READ yValorAuxiliar WRITE setYValorAuxiliar)
    Q_PROPERTY(QString yCampoAuxiliar READ yCampoAuxiliar WRITE setYCampoAuxiliar)
    Q_PROPERTY(QString yTabelaAuxiliar READ yTabelaAuxiliar WRITE setYTabelaAuxiliar)
    Q_PROPERTY(bool SuperPesquisa READ SuperPesquisa WRITE setSuperPesquisa)

  public:
    // A new instance (InitProperties), or one restored from a saved form's properties.
    explicit VeltraWidget(QWidget* parent = nullptr);
    VeltraWidget(PropertyBag& saved, QWidget* parent = nullptr);
    ~VeltraWidget() override;

    // The control itself, for everything the properties do not cover (methods, the shared
    // font object).
    Veltra& control();
    QComboBox& comboBox();
    SqliteDataSource& dataSource();
    const ListModel& list() const;
    // Rows read from the database so far for the current list (the list reads on demand).
    std::size_t rowsRead() const;
    // The point of the widget at the control's coordinates x and y, in the unit in which its
    // mouse events carry them (twips until the host first sizes the control, pixels after).
    QPointF pointAt(float x, float y) const;

    // Where transcript lines go; by default nowhere.
    void setTrace(TraceSink trace);
    // Shows the message instead of a modal box when set (tests, scripted runs).
    void
    setMessageHandler(std::function<void(const QString& prompt, const QString& title)> handler);

    quint32 ForeColor() const;
    void setForeColor(quint32 value);
    bool Enabled() const;
    void setEnabledProperty(bool value);
    QFont Font() const;
    void setFontProperty(const QFont& value);
    bool Locked() const;
    void setLocked(bool value);
    QString Text() const;
    void setText(const QString& value);
    bool sAutoEnterTab() const;
    void setSAutoEnterTab(bool value);
    bool sAutoEnterClick() const;
    void setSAutoEnterClick(bool value);
    bool sTirarAcento() const;
    void setSTirarAcento(bool value);
    bool sSempreMaiusculas() const;
    void setSSempreMaiusculas(bool value);
    bool FontAuto() const;
    void setFontAuto(bool value);
    bool sApenasLetras() const;
    void setSApenasLetras(bool value);
    bool sLetraCapital() const;
    void setSLetraCapital(bool value);
    QString x4_BoundColumn() const;
    void setX4_BoundColumn(const QString& value);
    QString Connect() const;
    void setConnect(const QString& value);
    QString x1_DatabaseName() const;
    void setX1_DatabaseName(const QString& value);
    QString x3_ListField() const;
    void setX3_ListField(const QString& value);
    qint16 sMaxLength() const;
    void setSMaxLength(qint16 value);
    QString x2_NomeTabela() const;
    void setX2_NomeTabela(const QString& value);
    bool sListaSoResultado() const;
    void setSListaSoResultado(bool value);
    QString BoundText() const;
    void setBoundText(const QString& value);
    QString ToolTipText2() const;
    void setToolTipText2(const QString& value);
    bool sNuncaVazio() const;
    void setSNuncaVazio(bool value);
    QString yValorAuxiliar() const;
    void setYValorAuxiliar(const QString& value);
    QString yCampoAuxiliar() const;
    void setYCampoAuxiliar(const QString& value);
    QString yTabelaAuxiliar() const;
    void setYTabelaAuxiliar(const QString& value);
    bool SuperPesquisa() const;
    void setSuperPesquisa(bool value);

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
    class Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace veltra::qt

// The Qt Designer plugin: Veltra in the widget box, in a group of its own, and every
// property of the control's property table in the property editor with its description as
// its tool tip. Designer saves the properties in the .ui file; QUiLoader and uic make the
// widget from them.
#include "veltra/Properties.h"
#include "veltra/qt/VeltraWidget.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A box with the focus colour, a text cursor and the drop-down button.
QIcon paintedIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(90, 90, 90));
    painter.setBrush(QColor(255, 255, 192));
    painter.drawRect(1, 9, 29, 14);
    painter.setBrush(QColor(220, 220, 220));
    painter.drawRect(21, 9, 9, 14);
    painter.setBrush(QColor(60, 60, 60));
    painter.drawPolygon(QPolygon({QPoint(23, 14), QPoint(28, 14), QPoint(25, 18)}));
    painter.drawLine(5, 12, 5, 20);
    return QIcon(pixmap);
}

} // namespace

class VeltraDesignerPlugin : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

  public:
    using QObject::QObject;

    QString name() const override { return QStringLiteral("veltra::qt::VeltraWidget"); }
    QString group() const override { return QStringLiteral("Veltra"); }
    QString toolTip() const override {
        return QStringLiteral("Veltra: caixa de pesquisa sobre uma tabela de banco de dados");
    }
    QString whatsThis() const override {
        QString text = QStringLiteral("<p>Veltra: uma caixa de combinação que pesquisa uma tabela "
                                      "de banco de dados a cada tecla digitada.</p><dl>");
        for (const auto& property : veltra::properties())
            if (property.get && !property.description.empty())
                text += QStringLiteral("<dt>%1</dt><dd>%2</dd>")
                            .arg(fromUtf8(property.name), fromUtf8(property.description));
        return text + QStringLiteral("</dl>");
    }
    QString includeFile() const override { return QStringLiteral("veltra/qt/VeltraWidget.h"); }
    QIcon icon() const override { return paintedIcon(); }
    bool isContainer() const override { return false; }
    QWidget* createWidget(QWidget* parent) override { return new veltra::qt::VeltraWidget(parent); }

    // The control's design size (3120 by 300 twips) and a tool tip for every property.
    QString domXml() const override {
        QString tips;
        for (const auto& property : veltra::properties())
            if (property.get && !property.description.empty())
                tips += QStringLiteral("<tooltip name=\"%1\">%2</tooltip>")
                            .arg(fromUtf8(property.name),
                                 fromUtf8(property.description).toHtmlEscaped());
        return QStringLiteral("<ui language=\"c++\"><widget class=\"%1\" name=\"veltra\">"
                              "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>208</width>"
                              "<height>20</height></rect></property></widget>"
                              "<customwidgets><customwidget><class>%1</class>"
                              "<propertyspecifications>%2</propertyspecifications>"
                              "</customwidget></customwidgets></ui>")
            .arg(name(), tips);
    }
};

#include "VeltraDesignerPlugin.moc"

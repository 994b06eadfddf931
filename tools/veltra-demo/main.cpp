// veltra-demo: a data-entry form with two Veltra controls over the sample database.
//
//   veltra-demo [--connect KIND] [--database NAME] [--screenshot FILE.png [--type TEXT]]
//   veltra-demo [--connect KIND] --database NAME --table TABLE --field FIELD --key FIELD [...]
//
// The second form searches any table of any database the data source opens (SQLite or
// Access files; with --connect PostgreSQL a server's database, NAME being its connection
// string) in a single box. With --screenshot it types TEXT into the first box, saves a picture of
// the form and exits (1 when the picture came out blank), so that it can be checked without a
// screen.
#include "States.h"
#include "WidgetAccess.h"
#include "veltra/data/DataControl.h"
#include "veltra/qt/QtText.h"
#include "veltra/qt/VeltraWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>
#include <cstdio>

using veltra::qt::VeltraWidget;

namespace {

struct Options {
    QString connect = QStringLiteral("Access");
    QString database = QStringLiteral(VELTRA_SAMPLE_DB);
    QString screenshot;
    QString type;
    QString table;
    QString field;
    QString key;
};

[[noreturn]] void usage() {
    std::fprintf(stderr, "uso: veltra-demo [--connect TIPO] [--database BANCO] [--table TABELA "
                         "--field CAMPO --key CAMPO] [--screenshot ARQUIVO.png [--type TEXTO]]\n");
    std::exit(2);
}

Options parse(const QStringList& arguments) {
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--database" && hasValue)
            options.database = arguments[++i];
        else if (argument == "--connect" && hasValue)
            options.connect = arguments[++i];
        else if (argument == "--screenshot" && hasValue)
            options.screenshot = arguments[++i];
        else if (argument == "--type" && hasValue)
            options.type = arguments[++i];
        else if (argument == "--table" && hasValue)
            options.table = arguments[++i];
        else if (argument == "--field" && hasValue)
            options.field = arguments[++i];
        else if (argument == "--key" && hasValue)
            options.key = arguments[++i];
        else
            usage();
    }
    if (!options.table.isEmpty() && (options.field.isEmpty() || options.key.isEmpty()))
        usage();
    return options;
}

// Hands each statement given to a data source on as text.
class StatementLog final : public veltra::DataSourceListener {
  public:
    explicit StatementLog(std::function<void(const QString&)> write) : write_(std::move(write)) {}
    void recordSourceAssigned(const veltra::String& statement) override {
        write_(veltra::qt::toQString(statement));
    }

  private:
    std::function<void(const QString&)> write_;
};

VeltraWidget* boundControl(const Options& options, const QString& table,
                           const QString& field = QStringLiteral("Nome"),
                           const QString& key = QStringLiteral("Id")) {
    auto* control = new VeltraWidget;
    control->set_Connect(options.connect);
    control->set_x1_DatabaseName(options.database);
    control->set_x2_NomeTabela(table);
    control->set_x3_ListField(field);
    control->set_x4_BoundColumn(key);
    control->set_Text("");
    return control;
}

// Every event the host hears, as a line of the log.
void logEvents(VeltraWidget* control, const QString& name, QPlainTextEdit* log) {
    const auto line = [=](const QString& text) { log->appendPlainText(name + ": " + text); };
    QObject::connect(control, &VeltraWidget::CodigoAssociado,
                     [=](QString& numero) { line("CodigoAssociado Numero=\"" + numero + "\""); });
    QObject::connect(control, &VeltraWidget::Click, [=] { line("Click"); });
    QObject::connect(control, &VeltraWidget::DblClick,
                     [=](qint16& area) { line(QString("DblClick Area=%1").arg(area)); });
    QObject::connect(control, &VeltraWidget::KeyPress, [=](qint16& keyAscii) {
        line(QString("KeyPress KeyAscii=%1").arg(keyAscii));
    });
    // The statements the control has its data source run, to show how it searches.
    auto* statements =
        new StatementLog([=](const QString& statement) { line("SQL " + statement); });
    veltra::qt::WidgetAccess::dataSource(*control).addListener(statements);
    QObject::connect(control, &QObject::destroyed, [=] { delete statements; });
}

// A labelled box, the key it last reported under it, and its events in the log.
void addBox(QFormLayout* form, QPlainTextEdit* log, const QString& label, VeltraWidget* control) {
    auto* key = new QLabel(QStringLiteral("Código: (nenhum)"));
    QObject::connect(control, &VeltraWidget::CodigoAssociado, key, [key](QString& numero) {
        key->setText(numero.isEmpty() ? QStringLiteral("Código: (nenhum)")
                                      : QStringLiteral("Código: ") + numero);
    });
    form->addRow(label + ":", control);
    form->addRow(QString(), key);
    logEvents(control, label, log);
}

QWidget* optionsPanel(VeltraWidget* control) {
    auto* panel = new QGroupBox(QStringLiteral("Opções da primeira caixa"));
    auto* layout = new QVBoxLayout(panel);
    const char* switches[] = {
        "sAutoEnterTab", "sAutoEnterClick",   "sTirarAcento", "sSempreMaiusculas", "sApenasLetras",
        "sLetraCapital", "sListaSoResultado", "sNuncaVazio",  "SuperPesquisa",     "FontAuto"};
    for (const char* name : switches) {
        auto* box = new QCheckBox(QString::fromLatin1(name));
        box->setChecked(control->property(name).toBool());
        QObject::connect(box, &QCheckBox::toggled, [control, name, box](bool on) {
            control->setProperty(name, on);
            box->setChecked(control->property(name).toBool());
        });
        // The case options exclude each other: keep the boxes in step with the control.
        QObject::connect(control, &VeltraWidget::PropertyChanged, box, [control, name, box] {
            const QSignalBlocker blocker(box);
            box->setChecked(control->property(name).toBool());
        });
        layout->addWidget(box);
    }
    auto* maxLength = new QSpinBox;
    maxLength->setRange(0, 200);
    QObject::connect(maxLength, &QSpinBox::valueChanged,
                     [control](int value) { control->set_sMaxLength(static_cast<qint16>(value)); });
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("sMaxLength")));
    row->addWidget(maxLength);
    layout->addLayout(row);
    return panel;
}

// Types the text key by key; characters that have no key of their own (accented letters,
// Cyrillic) arrive as an input method commits them.
void typeInto(QWidget* target, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClicks(target, QString(c));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(target, &commit);
        }
        QApplication::processEvents();
    }
}

bool isBlank(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Veltra"));
    const Options options = parse(QApplication::arguments());

    QWidget window;
    window.setWindowTitle(QStringLiteral("Veltra: cadastro"));
    auto* form = new QFormLayout;
    auto* log = new QPlainTextEdit;
    log->setReadOnly(true);
    log->setPlaceholderText(QStringLiteral("Eventos recebidos pelo programa"));
    VeltraWidget* first = nullptr;
    if (options.table.isEmpty()) {
        auto* city = boundControl(options, "Cidades");
        // The state after each town's name: towns of one name stand apart.
        city->set_x5_OutrasColunas(QStringLiteral("UF"));
        city->set_ToolTipText2(
            QStringLiteral("Digite parte do nome da cidade; * pesquisa trechos"));
        auto* state = new QComboBox;
        for (const auto& [name, id] :
             veltra::demo::states(veltra::qt::fromQString(options.connect),
                                  veltra::qt::fromQString(options.database)))
            state->addItem(veltra::qt::toQString(name), id);
        QObject::connect(state, &QComboBox::currentIndexChanged, [state, city] {
            const int id = state->currentData().toInt();
            city->set_yCampoAuxiliar(id ? QStringLiteral("EstadoId") : QString());
            city->set_yValorAuxiliar(id ? QString::number(id) : QString());
        });
        auto* person = boundControl(options, "Pessoas");
        person->set_sLetraCapital(true);
        form->addRow(QStringLiteral("Estado:"), state);
        addBox(form, log, QStringLiteral("Cidade"), city);
        addBox(form, log, QStringLiteral("Pessoa"), person);
        first = city;
    } else {
        first = boundControl(options, options.table, options.field, options.key);
        addBox(form, log, options.table, first);
    }

    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addWidget(new QLabel(QStringLiteral("Eventos:")));
    left->addWidget(log);
    auto* layout = new QHBoxLayout(&window);
    layout->addLayout(left, 2);
    layout->addWidget(optionsPanel(first), 1);
    window.resize(760, 420);
    window.show();

    if (options.screenshot.isEmpty())
        return QApplication::exec();

    // Without a window manager the window may never count as active; the focus works all
    // the same.
    QApplication::setActiveWindow(&window);
    (void)QTest::qWaitForWindowActive(&window, 1000);
    first->setFocus();
    QApplication::processEvents();
    typeInto(&first->comboBox(), options.type);
    QTest::qWait(100);
    // The screen shows the open list too; where there is no screen to grab, the form alone.
    QRect area = window.frameGeometry();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top != &window)
            area = area.united(top->frameGeometry());
    QImage picture =
        window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    if (picture.isNull() || isBlank(picture))
        picture = window.grab().toImage();
    if (!picture.save(options.screenshot)) {
        std::fprintf(stderr, "veltra-demo: não foi possível gravar %s\n",
                     qPrintable(options.screenshot));
        return 1;
    }
    std::printf("Captura de tela gravada em %s (texto na caixa: \"%s\")\n",
                qPrintable(options.screenshot), qPrintable(first->comboBox().currentText()));
    if (isBlank(picture)) {
        std::printf("A captura de tela saiu em branco.\n");
        return 1;
    }
    return 0;
}

// Loads form.ui through QUiLoader with Veltra's Designer plugin, checks that the Veltra box
// in it is the real widget with the properties the form saved, types "belo h" into it and
// checks the completion and the key.
//
//   consumer DESIGNER-PLUGIN-FOLDER FORM.ui SAMPLE-DATABASE-FOLDER
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QUiLoader>
#include <cstdio>
#include <cstdlib>
#include <veltra/qt/VeltraWidget.h>

namespace {

int failures = 0;

void check(bool condition, const char* what) {
    std::printf("%s - %s\n", condition ? "ok" : "not ok", what);
    if (!condition)
        ++failures;
}

// A form builder that cannot make a class falls back to its base class and only warns:
// here that is a failure.
void failOnFallback(QtMsgType type, const QMessageLogContext&, const QString& message) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type != QtDebugMsg &&
        (message.contains("defaulting to base class") || message.contains("unable to create"))) {
        std::printf("not ok - the form builder fell back: %s\n", qPrintable(message));
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: consumer PLUGIN-FOLDER FORM.ui DATABASE-FOLDER\n");
        return 2;
    }
    qInstallMessageHandler(failOnFallback);
    QApplication app(argc, argv);
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(QString::fromLocal8Bit(argv[1]));
    check(loader.availableWidgets().contains("veltra::qt::VeltraWidget"),
          "the Designer plugin offers veltra::qt::VeltraWidget");

    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::printf("not ok - cannot open %s\n", argv[2]);
        return 1;
    }
    // The form names its database relative to the folder it runs in.
    QDir::setCurrent(QString::fromLocal8Bit(argv[3]));
    QWidget* form = loader.load(&file);
    check(form != nullptr, "the form loads");
    if (!form)
        return 1;
    auto* city = qobject_cast<veltra::qt::VeltraWidget*>(form->findChild<QWidget*>("cidade"));
    check(city != nullptr, "the box is a real veltra::qt::VeltraWidget");
    if (!city)
        return 1;
    check(city->x2_NomeTabela() == "Cidades" && city->x3_ListField() == "Nome" &&
              city->x4_BoundColumn() == "Id",
          "the table and fields hold the saved values");
    check(city->sAutoEnterTab() && city->sMaxLength() == 40 && city->ToolTipText2() == " Cidade ",
          "the options hold the saved values");
    check(city->ForeColor() == QColor(0, 0, 128), "the text colour holds the saved value");
    check(city->property("Font").value<QFont>().family() == "DejaVu Sans",
          "the font holds the saved value");

    QString key;
    QObject::connect(city, &veltra::qt::VeltraWidget::CodigoAssociado,
                     [&](QString& numero) { key = numero; });
    form->show();
    city->setFocus();
    QApplication::processEvents();
    QTest::keyClicks(&city->comboBox(), "belo h");
    QApplication::processEvents();
    check(city->Text() == "Belo Horizonte", "typing \"belo h\" completes Belo Horizonte");
    check(key == "1630", "the host hears the key 1630");
    delete form;
    return failures == 0 ? 0 : 1;
}

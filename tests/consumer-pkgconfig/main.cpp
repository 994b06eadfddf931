// A program of a Veltra user's built with pkg-config only: it places a Veltra box on a
// form, points it at the sample database, types "belo h" into it and checks the completion
// and the key.
//
//   consumer-pkgconfig SAMPLE-DATABASE
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QVBoxLayout>
#include <cstdio>
#include <veltra/qt/VeltraWidget.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: consumer-pkgconfig DATABASE\n");
        return 2;
    }
    QApplication app(argc, argv);
    QWidget form;
    auto* city = new veltra::qt::VeltraWidget;
    (new QVBoxLayout(&form))->addWidget(city);
    city->set_x1_DatabaseName(QString::fromLocal8Bit(argv[1]));
    city->set_x2_NomeTabela("Cidades");
    city->set_x3_ListField("Nome");
    city->set_x4_BoundColumn("Id");
    city->set_Text("");
    QString key;
    QObject::connect(city, &veltra::qt::VeltraWidget::CodigoAssociado,
                     [&](QString& numero) { key = numero; });
    form.show();
    city->setFocus();
    QApplication::processEvents();
    QTest::keyClicks(&city->comboBox(), "belo h");
    QApplication::processEvents();
    const bool completed = city->Text() == "Belo Horizonte" && key == "1630";
    std::printf("%s - typing \"belo h\" completes Belo Horizonte with the key 1630 (got \"%s\", "
                "\"%s\")\n",
                completed ? "ok" : "not ok", qPrintable(city->Text()), qPrintable(key));
    return completed ? 0 : 1;
}

// The Qt widget driven with real key and mouse events, on the offscreen platform.
#include "veltra/qt/VeltraWidget.h"

#include "WidgetAccess.h"
#include "veltra/Properties.h"
#include "veltra/Text.h"
#include "veltra/data/BoundControls.h"

#include <QAccessible>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <filesystem>
#include <sqlite3.h>

using veltra::qt::VeltraWidget;
using veltra::qt::WidgetAccess;

namespace {

// A form with the control and one more widget after it in the tab order.
struct Form {
    QWidget window;
    VeltraWidget* control = new VeltraWidget;
    QLineEdit* next = new QLineEdit;
    QStringList messages;
    QStringList keys;

    explicit Form(const QString& database, const QString& table = "Cidades") {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(control);
        layout->addWidget(next);
        control->setMessageHandler(
            [this](const QString& prompt, const QString&) { messages << prompt; });
        QObject::connect(control, &VeltraWidget::CodigoAssociado,
                         [this](QString& numero) { keys << numero; });
        control->set_x1_DatabaseName(database);
        control->set_x2_NomeTabela(table);
        control->set_x3_ListField("Nome");
        control->set_x4_BoundColumn("Id");
        control->set_Text("");
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    QLineEdit& edit() { return *control->comboBox().lineEdit(); }
    void focus() {
        next->setFocus();
        control->setFocus();
        QApplication::processEvents();
    }
};

QString sampleDatabase() {
    return QStringLiteral(VELTRA_SAMPLE_DB);
}

} // namespace

class VeltraWidgetTest : public QObject {
    Q_OBJECT

  private slots:
    void typingCompletesSelectsTheTailAndReportsTheKey() {
        Form form(sampleDatabase());
        form.focus();
        QTest::keyClicks(&form.control->comboBox(), "belo h");
        QApplication::processEvents();
        QCOMPARE(form.edit().text(), QString("Belo Horizonte"));
        QCOMPARE(form.edit().selectedText(), QString("orizonte"));
        QCOMPARE(form.keys.last(), QString("1630"));
        QCOMPARE(form.control->comboBox().toolTip(), QString());
    }

    // What was typed is bold in each row, folded as the search folds it: the prefix, the
    // parts around * and ?, the contains search of a leading space; nothing in the full list.
    void theListDrawsTheMatchedPartsInBold() {
        Form form(sampleDatabase());
        form.focus();
        const auto rowsAfterTyping = [&](const QString& typed) {
            form.edit().clear();
            QTest::keyClicks(&form.control->comboBox(), typed);
            QApplication::processEvents();
            return QStringList{WidgetAccess::rowAsDrawn(*form.control, 0),
                               WidgetAccess::rowAsDrawn(*form.control, 1)};
        };
        QCOMPARE(rowsAfterTyping("sao j"),
                 (QStringList{"[São J]erônimo", "[São J]erônimo da Serra"}));
        QCOMPARE(rowsAfterTyping(" campo"), (QStringList{"Abre [Campo]", "Américo de [Campo]s"}));
        QCOMPARE(rowsAfterTyping("b*h"), (QStringList{"[B]alneário Pin[h]al", "[B]annac[h]"}));
        QCOMPARE(rowsAfterTyping("s?o p"), (QStringList{"[São P]atrício", "[São P]aulo"}));
        form.control->set_DestacarTrechos(false);
        QCOMPARE(rowsAfterTyping("sao j"), (QStringList{"São Jerônimo", "São Jerônimo da Serra"}));
        form.control->set_DestacarTrechos(true);
        form.control->control().MostrarTodos();
        QCOMPARE(WidgetAccess::rowAsDrawn(*form.control, 0), QString("Abadia de Goiás"));
    }

    // Assistive technology reads the box by its label (or the name the host gives it) and
    // its text as its value; the open list is its first child, with the row that shows the
    // text selected, and the edit part its second.
    void assistiveTechnologyReadsTheBoxByItsLabel() {
        Form form(sampleDatabase());
        auto* label = new QLabel("&Cidade:");
        label->setBuddy(form.control);
        form.window.layout()->addWidget(label);
        QAccessibleInterface* box =
            QAccessible::queryAccessibleInterface(&form.control->comboBox());
        QCOMPARE(box->role(), QAccessible::ComboBox);
        QCOMPARE(box->text(QAccessible::Name), QString("Cidade"));
        QVERIFY(box->relations(QAccessible::Label).size() == 1);
        form.focus();
        QTest::keyClicks(&form.control->comboBox(), "belo h");
        QApplication::processEvents();
        QCOMPARE(box->text(QAccessible::Value), QString("Belo Horizonte"));
        QVERIFY(box->state().expanded);
        QAccessibleInterface* list = box->child(0);
        QVERIFY(qobject_cast<QListView*>(list->object()));
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->child(0)->text(QAccessible::Name), QString("Belo Horizonte"));
        QVERIFY(list->child(0)->state().selected);
        QCOMPARE(box->child(1)->object(), &form.edit());
        QCOMPARE(box->indexOfChild(list), 0);
        form.control->setAccessibleName("Município de nascimento");
        QCOMPARE(box->text(QAccessible::Name), QString("Município de nascimento"));
    }

    // The line edit keeps an undo step per character written into it; the control's keys
    // never undo, so leaving the box lets them go.
    void leavingTheBoxLetsTheLineEditsUndoStepsGo() {
        Form form(sampleDatabase());
        form.focus();
        QTest::keyClicks(&form.control->comboBox(), "belo h");
        QVERIFY(form.edit().isUndoAvailable());
        form.next->setFocus();
        QApplication::processEvents();
        QVERIFY(!form.edit().isUndoAvailable());
        QCOMPARE(form.edit().text(), QString("Belo Horizonte"));
    }

    void backspaceDeletesWithoutSearching() {
        Form form(sampleDatabase());
        form.focus();
        QTest::keyClicks(&form.control->comboBox(), "recife");
        QApplication::processEvents();
        QCOMPARE(form.edit().text(), QString("Recife"));
        QTest::keyClick(&form.control->comboBox(), Qt::Key_End);
        QTest::keyClick(&form.control->comboBox(), Qt::Key_Backspace);
        QApplication::processEvents();
        QCOMPARE(form.edit().text(), QString("Recif"));
        QCOMPARE(form.edit().selectedText(), QString());
    }

    void enterWithAutoTabMovesToTheNextWidget() {
        Form form(sampleDatabase());
        form.control->set_sAutoEnterTab(true);
        form.focus();
        QTest::keyClicks(&form.control->comboBox(), "natal");
        QTest::keyClick(&form.control->comboBox(), Qt::Key_Return);
        QApplication::processEvents();
        QVERIFY(form.next->hasFocus());
    }

    void firstKeyOpensTheListAndTypingGoesOn() {
        Form form(sampleDatabase());
        form.focus();
        auto* popup = form.window.findChild<QListView*>();
        QVERIFY(!popup || !popup->isVisible());
        QTest::keyClicks(&form.control->comboBox(), "s");
        QApplication::processEvents();
        const auto views = QApplication::topLevelWidgets();
        const bool open = std::any_of(views.begin(), views.end(), [](QWidget* w) {
            return qobject_cast<QListView*>(w) && w->isVisible();
        });
        QVERIFY(open);
        QTest::keyClicks(&form.control->comboBox(), "ao paulo");
        QApplication::processEvents();
        QVERIFY(form.control->comboBox().hasFocus());
        QCOMPARE(form.edit().text(), QString("São Paulo"));
    }

    void clickingAListRowChoosesIt() {
        Form form(sampleDatabase());
        QSignalSpy clicks(form.control, &VeltraWidget::Click);
        form.focus();
        QTest::keyClicks(&form.control->comboBox(), "recif");
        QApplication::processEvents();
        QListView* list = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* view = qobject_cast<QListView*>(top); view && view->isVisible())
                list = view;
        QVERIFY(list);
        const QRect row = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QApplication::processEvents();
        QCOMPARE(form.edit().text(), QString("Recife"));
        QCOMPARE(form.keys.last(), QString("3315"));
        QCOMPARE(clicks.count(), 1);
        QVERIFY(!list->isVisible());
    }

    void aClickThatBringsTheFocusSelectsTheWholeText() {
        Form form(sampleDatabase());
        QSignalSpy downs(form.control, &VeltraWidget::MouseDown);
        form.control->set_Text("Natal");
        form.next->setFocus();
        QApplication::processEvents();
        QTest::mouseClick(&form.edit(), Qt::LeftButton, {}, QPoint(5, 5));
        QApplication::processEvents();
        QCOMPARE(downs.count(), 1);
        QCOMPARE(form.edit().selectedText(), QString("Natal"));
    }

    // Closing the form while the box has the focus and a text that the focus exit would
    // correct (the trailing space): the control raises nothing while its window goes.
    void closingTheFormRaisesNothing() {
        int events = 0;
        {
            Form form(sampleDatabase());
            form.focus();
            QTest::keyClicks(&form.control->comboBox(), "zzq da ");
            QApplication::processEvents();
            QObject::connect(form.control, &VeltraWidget::Change, [&] { ++events; });
            QObject::connect(form.control, &VeltraWidget::CodigoAssociado,
                             [&](QString&) { ++events; });
        }
        QCOMPARE(events, 0);
    }

    // A press focuses an enabled box after the control has heard it; a disabled box hears
    // no press, no double click, no keys, and takes no focus.
    void aPressFocusesOnlyAnEnabledBox() {
        Form form(sampleDatabase());
        QSignalSpy downs(form.control, &VeltraWidget::MouseDown);
        QSignalSpy doubles(form.control, &VeltraWidget::DblClick);
        QSignalSpy keys(form.control, &VeltraWidget::KeyDown);
        form.next->setFocus();
        form.control->set_Enabled(false);
        QTest::mouseClick(&form.edit(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseDClick(&form.edit(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::keyClick(&form.control->comboBox(), Qt::Key_Tab);
        QTest::keyClick(&form.control->comboBox(), Qt::Key_A);
        QApplication::processEvents();
        QCOMPARE(downs.count(), 0);
        QCOMPARE(doubles.count(), 0);
        QCOMPARE(keys.count(), 0);
        QVERIFY(form.next->hasFocus());
        form.control->set_Enabled(true);
        QTest::mouseClick(&form.edit(), Qt::LeftButton, {}, QPoint(5, 5));
        QApplication::processEvents();
        QCOMPARE(downs.count(), 1);
        QVERIFY(form.control->comboBox().hasFocus());
    }

    // An input method's pre-edit leaves the text, its completed tail and the list alone;
    // the commit is typed through the control: the host hears the composed letter, the
    // keystroke filter judges it, and the key-release search runs on the new text.
    void inputMethodTextGoesThroughTheKeyPath() {
        Form form(sampleDatabase());
        QStringList heard;
        QObject::connect(form.control, &VeltraWidget::KeyPress,
                         [&](qint16& keyAscii) { heard << QString::number(keyAscii); });
        QObject::connect(form.control, &VeltraWidget::KeyUp, [&](qint16& keyCode, qint16&) {
            heard << "up" + QString::number(keyCode);
        });
        form.control->set_sTirarAcento(true);
        form.focus();
        QTest::keyClicks(&form.control->comboBox(), "sa");
        QApplication::processEvents();
        const QString completed = form.edit().text();
        QVERIFY(form.edit().hasSelectedText());
        heard.clear();
        QInputMethodEvent preedit(QStringLiteral("~"), {});
        QApplication::sendEvent(&form.control->comboBox(), &preedit);
        QCOMPARE(form.edit().text(), completed);
        QVERIFY(heard.isEmpty());
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("õ"));
        QApplication::sendEvent(&form.control->comboBox(), &commit);
        QApplication::processEvents();
        QCOMPARE(heard, (QStringList{"245", "up79"}));
        QVERIFY2(form.edit().text().startsWith("São"), qPrintable(form.edit().text()));
        // A word committed at once is typed letter by letter.
        form.control->set_sListaSoResultado(true);
        form.edit().selectAll();
        heard.clear();
        QInputMethodEvent word;
        word.setCommitString(QStringLiteral("ção"));
        QApplication::sendEvent(&form.control->comboBox(), &word);
        QCOMPARE(heard, (QStringList{"231", "up186", "227", "up65", "111", "up79"}));
        QCOMPARE(form.edit().text(), QStringLiteral("çao"));
        // A refused character from a dead key never reaches the text.
        const QString before = form.edit().text();
        QInputMethodEvent acute;
        acute.setCommitString(QStringLiteral("\u00b4"));
        QApplication::sendEvent(&form.control->comboBox(), &acute);
        QCOMPARE(form.edit().text(), before);
    }

    // moc cannot read the property list, so the widget's Q_PROPERTY and Q_CLASSINFO lines
    // are written out: they and the property table agree name for name, type for type and
    // description for description, and each property reaches the control through Qt's
    // dynamic access.
    // moc reads the signals as written: they stay the event list, in its order, with the
    // Qt form of each argument's type, by reference.
    void qtSignalsAreTheEventList() {
        const QMetaObject& meta = VeltraWidget::staticMetaObject;
        // "(String& Numero, Integer& Area)" as "(QString&,qint16&)".
        const auto qtTypes = [](const QByteArray& parameters) {
            QList<QByteArray> types;
            for (QByteArray parameter : parameters.mid(1, parameters.size() - 2).split(','))
                if (!parameter.trimmed().isEmpty())
                    types << parameter.left(parameter.indexOf('&') + 1)
                                 .trimmed()
                                 .replace("String", "QString")
                                 .replace("Integer", "qint16")
                                 .replace("Single", "float");
            return "(" + types.join(',') + ")";
        };
        QList<QByteArray> expected;
#define VELTRA_EXPECTED_SIGNAL(Name, Number, Parameters, Arguments)                                \
    expected << QMetaObject::normalizedSignature(#Name + qtTypes(#Parameters));
        VELTRA_EVENTS(VELTRA_EXPECTED_SIGNAL)
#undef VELTRA_EXPECTED_SIGNAL
        QList<QByteArray> signalsOfWidget;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
            if (meta.method(i).methodType() == QMetaMethod::Signal &&
                meta.method(i).name() != "PropertyChanged")
                signalsOfWidget << meta.method(i).methodSignature();
        QCOMPARE(signalsOfWidget, expected);
    }

    void qtPropertiesAreThePropertyTable() {
        const QMetaObject& meta = VeltraWidget::staticMetaObject;
        QStringList table;
        for (const auto& property : veltra::properties()) {
            if (!property.get)
                continue;
            const QString name = QString::fromUtf8(property.name.data(),
                                                   static_cast<qsizetype>(property.name.size()));
            table << name;
            const int index = meta.indexOfProperty(property.name.data());
            QVERIFY2(index >= meta.propertyOffset(), qPrintable(name + " has no Q_PROPERTY"));
            const int types[] = {QMetaType::Bool, QMetaType::Int, QMetaType::QColor,
                                 QMetaType::QString, QMetaType::QFont};
            QCOMPARE(meta.property(index).typeId(), types[static_cast<int>(property.type)]);
            const QByteArray key =
                "description:" +
                QByteArray(property.name.data(), static_cast<qsizetype>(property.name.size()));
            const int info = meta.indexOfClassInfo(key.constData());
            const QByteArray description(property.description.data(),
                                         static_cast<qsizetype>(property.description.size()));
            QCOMPARE(info >= 0 ? QByteArray(meta.classInfo(info).value()) : QByteArray(),
                     description);
        }
        for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
            const QString name = meta.property(i).name();
            QVERIFY2(table.contains(name) || name == "SuperPesquisa" || name == "DestacarTrechos",
                     qPrintable(name + " is not in the property table"));
        }
        VeltraWidget widget;
        QVERIFY(widget.setProperty("sMaxLength", qint16(7)));
        QCOMPARE(widget.control().sMaxLength(), 7);
        QVERIFY(widget.setProperty("ToolTipText2", QStringLiteral("abc")));
        QCOMPARE(widget.property("ToolTipText2").toString(), QStringLiteral(" abc "));
    }

    void focusColourAndToolTip() {
        Form form(sampleDatabase());
        form.control->set_ToolTipText2("Cidade");
        form.focus();
        QVERIFY(form.control->control().EstarComFoco());
        QCOMPARE(form.edit().palette().color(QPalette::Base), QColor(255, 255, 192));
        form.next->setFocus();
        QApplication::processEvents();
        QVERIFY(!form.control->control().EstarComFoco());
        QCOMPARE(form.control->comboBox().toolTip(), QString(" Cidade "));
    }

    void showAllLoadsTheRowsOnDemand() {
        Form form(sampleDatabase());
        form.control->control().MostrarTodos();
        QCOMPARE(WidgetAccess::list(*form.control).rowCount(), std::size_t(5564));
        QVERIFY(form.messages.isEmpty());
    }

    void aMillionRowsOpenAndSearchWithoutBeingRead() {
        const auto folder = std::filesystem::temp_directory_path() / "veltra-qt-million.db";
        std::filesystem::remove(folder);
        sqlite3* db = nullptr;
        sqlite3_open(folder.c_str(), &db);
        sqlite3_exec(
            db,
            "CREATE TABLE Pessoas (Id INTEGER PRIMARY KEY, Nome TEXT);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
            "INSERT INTO Pessoas SELECT i, 'Pessoa ' || printf('%07d', i) FROM n;",
            nullptr, nullptr, nullptr);
        sqlite3_close(db);
        {
            Form form(QString::fromStdString(folder.string()), "Pessoas");
            form.focus();
            QVERIFY(WidgetAccess::rowsRead(*form.control) < 1000);
            QTest::keyClicks(&form.control->comboBox(), "pessoa 09");
            QApplication::processEvents();
            QCOMPARE(form.edit().text(), QString("Pessoa 0900000"));
            QVERIFY(WidgetAccess::rowsRead(*form.control) < 1000);
        }
        std::filesystem::remove(folder);
    }
};

QTEST_MAIN(VeltraWidgetTest)
#include "VeltraWidgetTest.moc"

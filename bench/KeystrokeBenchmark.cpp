// The time from a key event to the completed, selected text with the list ready to show,
// for Veltra (headless and as a Qt widget) and for what a Qt developer would use instead,
// on the same generated tables and the same prefixes typed letter by letter.
//
//   veltra-bench-keystroke [--rows N]...      (default: 10000 100000 1000000)
//
// Each case runs in a process of its own, so that its peak memory is its own. The first
// three measure our first use: from setting the table properties to the completion of the
// first key, over a file without the folded index and a cache folder without its copy
// (ours_first_use, which then waits for the copy to be made), the next launch of the
// program (ours_next_launch: the copy is in the cache folder), and a file with the folded
// index (ours_first_use_indexed).
#include "PeopleTable.h"
#include "veltra/Text.h"
#include "veltra/data/BoundControls.h"
#include "veltra/headless/Headless.h"
#include "veltra/qt/VeltraWidget.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QListView>
#include <QSqlDatabase>
#include <QSqlQueryModel>
#include <QStringListModel>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <sstream>
#include <vector>

namespace {

using namespace veltra;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kCases = {
    "ours_first_use",  "ours_next_launch",    "ours_first_use_indexed",
    "ours_headless",   "ours_headless_extra", "ours_qt",
    "ours_qt_plain",   "qcombobox",           "qcompleter_sql",
    "qcompleter_list", "raw_sqlite"};

struct Measurement {
    std::vector<double> keystrokes; // microseconds
    std::vector<double> duringCopy; // those begun while the copy was being made
    double setupMs = 0;
};

double microsecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

template <class Work>
double millisecondsOf(Work&& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Whether the cache folder holds a finished copy; until then, searches read the file.
bool copyMade() {
    std::error_code missing;
    const auto copies = std::filesystem::path(std::getenv("XDG_CACHE_HOME")) / "veltra" / "copies";
    for (const auto& entry : std::filesystem::directory_iterator(copies, missing))
        if (entry.path().filename().string().find(".draft-") == std::string::npos)
            return true;
    return false;
}

// Types every prefix letter by letter over what the box shows, timing each key; keys begun
// while a copy was being made are told apart when asked.
template <class Clear, class Key>
void typePrefixes(Measurement& m, Clear&& clear, Key&& key, bool duringCopy = false) {
    for (const auto& prefix : bench::kTypedPrefixes) {
        clear();
        for (const char c : prefix) {
            const bool copying = duringCopy && !copyMade();
            const auto start = Clock::now();
            key(c);
            m.keystrokes.push_back(microsecondsSince(start));
            if (copying)
                m.duringCopy.push_back(m.keystrokes.back());
        }
    }
}

QStringList allNames(const std::string& file) {
    QStringList names;
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, "SELECT Nome FROM Pessoas ORDER BY Nome", -1, &query, nullptr);
    while (sqlite3_step(query) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
    sqlite3_finalize(query);
    sqlite3_close(db);
    return names;
}

void configure(Veltra& control, const std::string& file) {
    control.x1_DatabaseName(fromUtf8(file));
    control.x2_NomeTabela(u"Pessoas");
    control.x3_ListField(u"Nome");
    control.x4_BoundColumn(u"Id");
    control.Text(u"");
}

// The set-up runs from setting the table properties to the full list loaded on focus
// entry, or, for a first use, to the completion of the first key typed.
// With an extra column, the list shows each person's state after the name; the copy that
// carries it was made by an earlier launch (prepareExtraColumnCopy).
Measurement oursHeadless(const std::string& file, bool firstUse, bool extraColumn = false) {
    Measurement m;
    headless::HeadlessForm form([](const std::string&) {});
    auto& box = form.comboBox();
    const auto key = [&](char c) {
        form.type(String(1, static_cast<char16_t>(c)));
        for (std::size_t i = 0; i < 10 && box.list().hasRow(i); ++i) {
            (void)box.list().value(i);
            if (extraColumn)
                (void)box.list().extras(i);
        }
    };
    m.setupMs = millisecondsOf([&] {
        configure(form.control(), file);
        if (extraColumn)
            form.control().x5_OutrasColunas(u"UF");
        box.focusIn();
        form.input([&] { box.pressKey({Key::ShiftKey, Shift::Shift, false, 0}); });
        if (firstUse)
            key(bench::kTypedPrefixes[0][0]);
    });
    typePrefixes(
        m, [&] { box.select(0, static_cast<Long>(box.Text().size())); }, key, firstUse);
    // The copy this launch asked for is made before it ends, for the next launch.
    (void)form.dataSource().queryPlan(
        u"SELECT Id, Nome FROM Pessoas WHERE Nome like 'a*' ORDER by Nome");
    return m;
}

// The launch before the extra column's measure: it asks for the copy whose index carries
// the state and waits for it, so that the measure sees what a user sees from then on.
Measurement prepareExtraColumnCopy(const std::string& file) {
    headless::HeadlessForm form([](const std::string&) {});
    configure(form.control(), file);
    (void)form.dataSource().queryPlan(
        u"SELECT Pessoas.Id, Nome, UF FROM Pessoas WHERE Nome like 'a*' ORDER by Nome");
    return {};
}

// A form on the offscreen platform; QTest's key clicks are real key events.
struct QtForm {
    QWidget window;
    explicit QtForm(QWidget* field) {
        field->setParent(&window);
        window.resize(400, 60);
        window.show();
        QApplication::setActiveWindow(&window);
        (void)QTest::qWaitForWindowActive(&window, 2000);
        field->setFocus();
        QApplication::processEvents();
    }
};

// With highlighting, the list draws the matched part of each row in bold; plain, it does not.
Measurement oursQt(const std::string& file, bool highlighting) {
    Measurement m;
    qt::VeltraWidget* control = nullptr;
    std::unique_ptr<QtForm> form;
    m.setupMs = millisecondsOf([&] {
        control = new qt::VeltraWidget;
        control->set_DestacarTrechos(highlighting);
        configure(control->control(), file);
        form = std::make_unique<QtForm>(control);
        QTest::keyClick(&control->comboBox(), Qt::Key_Shift);
        QApplication::processEvents();
    });
    auto& combo = control->comboBox();
    QListView* list = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* view = qobject_cast<QListView*>(top); view && view->objectName() == "veltra-list")
            list = view;
    typePrefixes(
        m, [&] { combo.lineEdit()->selectAll(); },
        [&](char c) {
            QTest::keyClick(&combo, c);
            QApplication::processEvents();
            for (int i = 0; list && i < std::min(10, list->model()->rowCount()); ++i)
                (void)list->model()->index(i, 0).data();
        });
    return m;
}

Measurement qcombobox(const std::string& file) {
    Measurement m;
    auto* combo = new QComboBox;
    std::unique_ptr<QtForm> form;
    m.setupMs = millisecondsOf([&] {
        combo->setEditable(true);
        combo->addItems(allNames(file));
        combo->setCurrentIndex(-1);
        form = std::make_unique<QtForm>(combo);
    });
    typePrefixes(
        m, [&] { combo->lineEdit()->clear(); },
        [&](char c) {
            QTest::keyClick(combo, c);
            QApplication::processEvents();
        });
    return m;
}

Measurement qcompleter(const std::string& file, bool sql) {
    Measurement m;
    auto* edit = new QLineEdit;
    std::unique_ptr<QtForm> form;
    std::unique_ptr<QSqlQueryModel> sqlModel;
    std::unique_ptr<QStringListModel> listModel;
    m.setupMs = millisecondsOf([&] {
        QAbstractItemModel* model = nullptr;
        if (sql) {
            auto db = QSqlDatabase::addDatabase("QSQLITE");
            db.setDatabaseName(QString::fromStdString(file));
            db.open();
            sqlModel = std::make_unique<QSqlQueryModel>();
            sqlModel->setQuery("SELECT Nome FROM Pessoas ORDER BY Nome");
            model = sqlModel.get();
        } else {
            listModel = std::make_unique<QStringListModel>(allNames(file));
            model = listModel.get();
        }
        // As the documentation recommends for a model sorted the way it is searched.
        auto* completer = new QCompleter(model, edit);
        completer->setCompletionMode(QCompleter::PopupCompletion);
        completer->setCaseSensitivity(Qt::CaseSensitive);
        completer->setModelSorting(QCompleter::CaseSensitivelySortedModel);
        edit->setCompleter(completer);
        form = std::make_unique<QtForm>(edit);
    });
    typePrefixes(
        m, [&] { edit->clear(); },
        [&](char c) {
            QTest::keyClick(edit, c);
            QApplication::processEvents();
        });
    return m;
}

// The floor: the prefix range on the plain index, the first 10 rows.
Measurement rawSqlite(const std::string& file) {
    Measurement m;
    sqlite3* db = nullptr;
    sqlite3_stmt* query = nullptr;
    m.setupMs = millisecondsOf([&] {
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_prepare_v2(
            db, "SELECT Id, Nome FROM Pessoas WHERE Nome >= ?1 AND Nome < ?2 ORDER BY Nome", -1,
            &query, nullptr);
    });
    std::string typed;
    typePrefixes(
        m, [&] { typed.clear(); },
        [&](char c) {
            typed += c;
            const std::string high = typed + "\xF4\x8F\xBF\xBF";
            sqlite3_bind_text(query, 1, typed.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(query, 2, high.c_str(), -1, SQLITE_STATIC);
            for (int i = 0; i < 10 && sqlite3_step(query) == SQLITE_ROW; ++i)
                (void)sqlite3_column_text(query, 1);
            sqlite3_reset(query);
        });
    sqlite3_finalize(query);
    sqlite3_close(db);
    return m;
}

int runCase(const std::string& name, const std::string& file, int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::map<std::string, std::function<Measurement()>> cases = {
        {"ours_first_use", [&] { return oursHeadless(file, true); }},
        {"ours_next_launch", [&] { return oursHeadless(file, true); }},
        {"ours_first_use_indexed", [&] { return oursHeadless(file, true); }},
        {"ours_headless", [&] { return oursHeadless(file, false); }},
        {"ours_headless_extra", [&] { return oursHeadless(file, false, true); }},
        {"prepare_extra", [&] { return prepareExtraColumnCopy(file); }},
        {"ours_qt", [&] { return oursQt(file, true); }},
        {"ours_qt_plain", [&] { return oursQt(file, false); }},
        {"qcombobox", [&] { return qcombobox(file); }},
        {"qcompleter_sql", [&] { return qcompleter(file, true); }},
        {"qcompleter_list", [&] { return qcompleter(file, false); }},
        {"raw_sqlite", [&] { return rawSqlite(file); }}};
    const Measurement m = cases.at(name)();
    std::printf("RESULT p50_us=%.1f p99_us=%.1f setup_ms=%.1f peak_mb=%.1f copy_keys=%zu "
                "copy_p50_us=%.1f copy_max_us=%.1f\n",
                bench::percentile(m.keystrokes, 0.5), bench::percentile(m.keystrokes, 0.99),
                m.setupMs, bench::peakMegabytes(), m.duringCopy.size(),
                bench::percentile(m.duringCopy, 0.5), bench::percentile(m.duringCopy, 1.0));
    return 0;
}

struct Result {
    bool ran = false; // false when the case ended without its figures (it crashed)
    double p50 = 0, p99 = 0, setupMs = 0, peakMb = 0;
    std::size_t copyKeys = 0;
    double copyP50 = 0, copyMax = 0;
};

// A figure of a case, or a dash for a case that gave none.
std::string figure(const Result& result, double value) {
    if (!result.ran)
        return "—";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

Result runChild(const char* self, const std::string& name, const std::string& file) {
    const std::string command =
        std::string(self) + " --case " + name + " --file '" + file + "' 2>/dev/null";
    Result result;
    FILE* child = popen(command.c_str(), "r");
    char line[512];
    while (child && std::fgets(line, sizeof line, child))
        if (std::sscanf(line,
                        "RESULT p50_us=%lf p99_us=%lf setup_ms=%lf peak_mb=%lf copy_keys=%zu "
                        "copy_p50_us=%lf copy_max_us=%lf",
                        &result.p50, &result.p99, &result.setupMs, &result.peakMb, &result.copyKeys,
                        &result.copyP50, &result.copyMax) == 7)
            result.ran = true;
    if (child)
        pclose(child);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::size_t> sizes;
    std::string caseName;
    std::string file;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc)
            sizes.push_back(std::stoul(argv[++i]));
        else if (std::strcmp(argv[i], "--case") == 0 && i + 1 < argc)
            caseName = argv[++i];
        else if (std::strcmp(argv[i], "--file") == 0 && i + 1 < argc)
            file = argv[++i];
    }
    if (!caseName.empty())
        return runCase(caseName, file, argc, argv);
    if (sizes.empty())
        sizes = {10'000, 100'000, 1'000'000, 10'000'000};

    std::printf("| rows | case | p50 (us) | p99 (us) | set-up (ms) | peak (MB) "
                "|\n|---|---|---|---|---|---|\n");
    std::vector<std::string> summaries;
    for (const std::size_t rows : sizes) {
        bench::PeopleTable table(rows);
        // The copies our cases make go to a cache folder of this size's own, empty at first.
        const TemporaryFolder cache("veltra-bench-cache");
        setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
        std::map<std::string, Result> results;
        for (const auto& name : kCases) {
            const std::string& file =
                name == "ours_first_use_indexed" ? table.indexedFile() : table.file();
            if (name == "ours_headless_extra")
                runChild(argv[0], "prepare_extra", file);
            results[name] = runChild(argv[0], name, file);
            const auto& r = results[name];
            std::printf("| %zu | %s | %s | %s | %s | %s |\n", rows, name.c_str(),
                        figure(r, r.p50).c_str(), figure(r, r.p99).c_str(),
                        figure(r, r.setupMs).c_str(), figure(r, r.peakMb).c_str());
            std::fflush(stdout);
        }
        const double oursPeak =
            std::max({results["ours_first_use"].peakMb, results["ours_headless"].peakMb,
                      results["ours_qt"].peakMb});
        const double peersPeak =
            std::max({results["qcombobox"].peakMb, results["qcompleter_sql"].peakMb,
                      results["qcompleter_list"].peakMb});
        std::ostringstream line;
        line.setf(std::ios::fixed);
        line.precision(1);
        line << "BENCH rows=" << rows << " ours_headless_p50_us=" << results["ours_headless"].p50
             << " ours_headless_p99_us=" << results["ours_headless"].p99
             << " ours_headless_extra_p50_us=" << results["ours_headless_extra"].p50
             << " first_use_ms=" << results["ours_first_use"].setupMs
             << " copy_keys=" << results["ours_first_use"].copyKeys
             << " copy_key_p50_ms=" << results["ours_first_use"].copyP50 / 1000
             << " copy_key_max_ms=" << results["ours_first_use"].copyMax / 1000
             << " first_use_indexed_ms=" << results["ours_first_use_indexed"].setupMs
             << " next_launch_ms=" << results["ours_next_launch"].setupMs
             << " ours_qt_p50_us=" << results["ours_qt"].p50
             << " ours_qt_p99_us=" << results["ours_qt"].p99
             << " ours_qt_plain_p50_us=" << results["ours_qt_plain"].p50
             << " qcombobox_p50_us=" << results["qcombobox"].p50 << " qcompleter_sql_p50_us="
             << figure(results["qcompleter_sql"], results["qcompleter_sql"].p50)
             << " qcompleter_list_p50_us=" << results["qcompleter_list"].p50
             << " raw_sqlite_p50_us=" << results["raw_sqlite"].p50 << " ours_peak_mb=" << oursPeak
             << " peers_peak_mb=" << peersPeak;
        summaries.push_back(line.str());
    }
    std::printf("\n");
    for (const auto& summary : summaries)
        std::printf("%s\n", summary.c_str());
    return 0;
}

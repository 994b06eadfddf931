#include "Runner.h"

#include "Script.h"
#include "Target.h"
#include "veltra/Error.h"
#include "veltra/FormFile.h"
#include "veltra/Text.h"
#include "veltra/headless/Headless.h"
#include "veltra/platform/Files.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <ostream>
#include <sqlite3.h>

namespace veltra::play {

namespace {

using headless::formatValue;

// A fresh temporary folder that is the working folder while the scenario runs.
class WorkFolder {
  public:
    WorkFolder() try : previous_(std::filesystem::current_path()), folder_("veltra-play") {
        std::filesystem::current_path(folder_.path());
    } catch (const std::filesystem::filesystem_error&) {
        throw ScriptError("cannot create a temporary folder");
    }
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

  private:
    std::filesystem::path previous_;
    TemporaryFolder folder_;
};

// The runner's own writable connection for setting up databases.
class SetupDatabase {
  public:
    ~SetupDatabase() { sqlite3_close(db_); }
    void open(const std::string& name) {
        sqlite3_close(db_);
        db_ = nullptr;
        if (sqlite3_open(name.c_str(), &db_) != SQLITE_OK)
            throw ScriptError("cannot open database " + name + ": " + sqlite3_errmsg(db_));
    }
    void execute(const std::string& sql) {
        if (!db_)
            throw ScriptError("sql needs a database: use db NAME first");
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message ? message : "unknown error";
            sqlite3_free(message);
            throw ScriptError("sql failed: " + text);
        }
    }

  private:
    sqlite3* db_ = nullptr;
};

// The methods: each returns its result, or nothing for a method without one.
using Method = std::function<std::optional<Variant>(Veltra&, const Variant&)>;

template <class F>
Method withoutResult(F f) {
    return [f](Veltra& v, const Variant&) -> std::optional<Variant> {
        (v.*f)();
        return std::nullopt;
    };
}

const std::map<std::string, Method>& methods() {
    static const std::map<std::string, Method> table = {
        {"ConverterLetraCapital",
         [](Veltra& v, const Variant& texto) -> std::optional<Variant> {
             return Variant(v.ConverterLetraCapital(texto));
         }},
        {"EstarComFoco",
         [](Veltra& v, const Variant&) -> std::optional<Variant> {
             return Variant(v.EstarComFoco());
         }},
        {"DarTAB", [](Veltra& v, const Variant&) -> std::optional<Variant> { return v.DarTAB(); }},
        {"AbrirJanela", withoutResult(&Veltra::AbrirJanela)},
        {"OrdemNumerica", withoutResult(&Veltra::OrdemNumerica)},
        {"Mostrar", withoutResult(&Veltra::Mostrar)},
        {"DadosAvançar", withoutResult(&Veltra::DadosAvançar)},
        {"DadosRecuar", withoutResult(&Veltra::DadosRecuar)},
        {"DadosIrAoPrimeiro", withoutResult(&Veltra::DadosIrAoPrimeiro)},
        {"DadosIrAoUltimo", withoutResult(&Veltra::DadosIrAoUltimo)},
        {"MostrarTodos", withoutResult(&Veltra::MostrarTodos)},
        {"Refresh", withoutResult(&Veltra::Refresh)},
    };
    return table;
}

struct NamedKey {
    Integer keyCode;
    Integer downShift;
    Integer upShift;
};

const std::map<std::string, NamedKey>& namedKeys() {
    static const std::map<std::string, NamedKey> table = {
        {"Enter", {Key::Enter, 0, 0}},
        {"Tab", {Key::Tab, 0, 0}},
        {"Backspace", {Key::Backspace, 0, 0}},
        {"Delete", {Key::Delete, 0, 0}},
        {"Esc", {Key::Esc, 0, 0}},
        {"Left", {Key::Left, 0, 0}},
        {"Right", {Key::Right, 0, 0}},
        {"Up", {Key::Up, 0, 0}},
        {"Down", {Key::Down, 0, 0}},
        {"Home", {Key::Home, 0, 0}},
        {"End", {Key::End, 0, 0}},
        {"Shift", {Key::ShiftKey, Shift::Shift, Shift::Shift}},
        {"Alt", {Key::Alt, Shift::Alt, 0}}};
    return table;
}

// A transcript line matches an expectation exactly, or by prefix when it ends in " ...".
bool matches(const std::string& expected, const std::string& line) {
    constexpr std::string_view ellipsis = " ...";
    if (expected.size() >= ellipsis.size() && expected.ends_with(ellipsis))
        return line.starts_with(expected.substr(0, expected.size() - ellipsis.size()));
    return line == expected;
}

class Scenario {
  public:
    Scenario(const std::string& path, std::filesystem::path folder, const Options& options,
             std::ostream& out)
        : path_(path), folder_(std::move(folder)), options_(options), out_(out) {
        const TraceSink sink = [this](const std::string& line) { trace(line); };
        target_ = options.platform == "qt" ? makeQtTarget(sink) : makeHeadlessTarget(sink);
        if (!target_)
            throw ScriptError("this build has no Qt front end");
    }

    void run(const Line& line);
    int failures() const { return failures_; }
    // Closes the form at the end of the script: the control must raise nothing while its
    // surroundings go away.
    void closeForm() {
        transcript_.clear();
        target_.reset();
        if (transcript_.empty())
            return;
        ++failures_;
        out_ << "FAIL " << path_ << ": closing the form printed lines\n";
        for (const auto& got : transcript_)
            out_ << "  got: " << got << '\n';
    }

  private:
    using Handler = void (Scenario::*)(const Line&);
    static const std::map<std::string, Handler>& handlers();

    void trace(const std::string& line) {
        out_ << line << '\n';
        transcript_.push_back(line);
    }
    void fail(const Line& line, const std::string& what) {
        ++failures_;
        out_ << "FAIL " << path_ << ':' << line.number << ": " << what << '\n';
        for (const auto& got : transcript_)
            out_ << "  got: " << got << '\n';
        if (transcript_.empty())
            out_ << "  got nothing\n";
    }
    Veltra& control() { return target_->control(); }
    std::vector<Argument> arguments(const Line& line, std::size_t least, std::size_t most) {
        auto args = splitArguments(line.rest);
        if (args.size() < least || args.size() > most)
            throw ScriptError(line.command + " takes " +
                              (least == most
                                   ? std::to_string(least)
                                   : std::to_string(least) + " to " + std::to_string(most)) +
                              " argument(s)");
        return args;
    }
    static long long number(const Argument& argument) {
        const Variant value = argument.value();
        if (argument.quoted || (!std::holds_alternative<std::int64_t>(value.value()) &&
                                !std::holds_alternative<double>(value.value())))
            throw ScriptError("expected a number, got " + argument.utf8());
        return static_cast<long long>(value.toDouble());
    }

    void expect(const Line& line);
    void expectNot(const Line& line);
    void expectNone(const Line& line);
    void db(const Line& line) { setup_.open(arguments(line, 1, 1)[0].utf8()); }
    void sql(const Line& line) { setup_.execute(line.rest); }
    void sample(const Line& line);
    void file(const Line& line);
    void keep(const Line& line);
    void copy(const Line& line);
    void unchanged(const Line& line);
    void newInstance(const Line&) { target_->newInstance(); }
    void save(const Line& line);
    void restore(const Line& line);
    void size(const Line& line);
    void resize(const Line& line);
    void let(const Line& line);
    void get(const Line& line);
    void call(const Line& line);
    void member(const Line& line);
    void query(const Line& line);
    void focus(const Line&) { target_->focus(); }
    void blur(const Line&) { target_->blur(); }
    void type(const Line& line);
    void key(const Line& line);
    void paste(const Line& line);
    void select(const Line& line);
    void pick(const Line& line);
    void click(const Line& line);
    void dblclick(const Line& line);
    void mouse(const Line& line);
    void on(const Line& line);
    void show(const Line& line);
    void list(const Line& line);

    std::string path_;
    std::filesystem::path folder_; // where the scenario file lies
    const Options& options_;
    std::ostream& out_;
    std::vector<std::string> transcript_;
    std::size_t matchedUpTo_ = 0;
    int failures_ = 0;
    SetupDatabase setup_;
    std::unique_ptr<Target> target_;
    std::map<std::string, std::string> kept_;
};

const std::map<std::string, Scenario::Handler>& Scenario::handlers() {
    static const std::map<std::string, Handler> table = {{"db", &Scenario::db},
                                                         {"sql", &Scenario::sql},
                                                         {"sample", &Scenario::sample},
                                                         {"file", &Scenario::file},
                                                         {"keep", &Scenario::keep},
                                                         {"copy", &Scenario::copy},
                                                         {"unchanged", &Scenario::unchanged},
                                                         {"new", &Scenario::newInstance},
                                                         {"restore", &Scenario::restore},
                                                         {"save", &Scenario::save},
                                                         {"size", &Scenario::size},
                                                         {"resize", &Scenario::resize},
                                                         {"let", &Scenario::let},
                                                         {"get", &Scenario::get},
                                                         {"call", &Scenario::call},
                                                         {"member", &Scenario::member},
                                                         {"query", &Scenario::query},
                                                         {"focus", &Scenario::focus},
                                                         {"blur", &Scenario::blur},
                                                         {"type", &Scenario::type},
                                                         {"key", &Scenario::key},
                                                         {"paste", &Scenario::paste},
                                                         {"select", &Scenario::select},
                                                         {"pick", &Scenario::pick},
                                                         {"click", &Scenario::click},
                                                         {"dblclick", &Scenario::dblclick},
                                                         {"mousedown", &Scenario::mouse},
                                                         {"mouseup", &Scenario::mouse},
                                                         {"mousemove", &Scenario::mouse},
                                                         {"on", &Scenario::on},
                                                         {"show", &Scenario::show},
                                                         {"list", &Scenario::list}};
    return table;
}

void Scenario::run(const Line& line) {
    if (line.command == "only")
        return;
    if (line.command == "expect")
        return expect(line);
    if (line.command == "expect-not")
        return expectNot(line);
    if (line.command == "expect-none")
        return expectNone(line);
    const auto handler = handlers().find(line.command);
    if (handler == handlers().end())
        throw ScriptError("unknown action '" + line.command + "'");
    out_ << "> " << line.source << '\n';
    transcript_.clear();
    matchedUpTo_ = 0;
    (this->*handler->second)(line);
}

void Scenario::expect(const Line& line) {
    for (std::size_t i = matchedUpTo_; i < transcript_.size(); ++i) {
        if (matches(line.rest, transcript_[i])) {
            matchedUpTo_ = i + 1;
            return;
        }
    }
    fail(line, "expected: " + line.rest);
}

void Scenario::expectNot(const Line& line) {
    for (const auto& got : transcript_)
        if (matches(line.rest, got))
            return fail(line, "not expected: " + line.rest);
}

void Scenario::expectNone(const Line& line) {
    if (!transcript_.empty())
        fail(line, "expected no output");
}

void Scenario::sample(const Line& line) {
    const auto target = arguments(line, 1, 1)[0].utf8();
    std::error_code error;
    std::filesystem::copy_file(options_.sampleDatabase, target,
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        throw ScriptError("cannot copy the sample database " + options_.sampleDatabase.string() +
                          ": " + error.message());
    std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, error);
}

// The control is saved as the form's only control, in the section [Veltra1].
void Scenario::save(const Line& line) {
    const auto file = arguments(line, 1, 1)[0].utf8();
    FormFile form;
    control().WriteProperties(form.section("Veltra1"));
    try {
        form.write(file);
    } catch (const std::runtime_error& error) {
        throw ScriptError(error.what());
    }
}

// A new instance from the first section of a form file; lines it cannot read are shown
// and skipped.
void Scenario::restore(const Line& line) {
    const auto file = arguments(line, 1, 1)[0].utf8();
    std::vector<FormFileProblem> problems;
    FormFile form;
    try {
        form = FormFile::read(file, problems);
    } catch (const std::runtime_error& error) {
        throw ScriptError(error.what());
    }
    for (const auto& problem : problems)
        trace("form-problem line=" + std::to_string(problem.line) + " " +
              quotedText(fromUtf8(problem.message)));
    FormSection empty("Veltra1");
    target_->restoreInstance(form.sections().empty() ? empty
                                                     : form.section(form.sections()[0].name()));
}

// The control's size (twips, as the host keeps it) and the combo box's, in the control's
// current scale unit.
void Scenario::size(const Line&) {
    trace(target_->size());
}

std::string contentsOf(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in)
        throw ScriptError("cannot read " + name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Copies a file that lies beside the scenario (a path relative to the scenario's folder)
// into the working folder.
void Scenario::copy(const Line& line) {
    const auto args = arguments(line, 2, 2);
    const auto source = folder_ / args[0].utf8();
    std::error_code error;
    std::filesystem::copy_file(source, args[1].utf8(),
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        throw ScriptError("cannot copy " + source.string() + ": " + error.message());
}

// Remembers a file's bytes, for `unchanged` to compare.
void Scenario::keep(const Line& line) {
    const auto name = arguments(line, 1, 1)[0].utf8();
    kept_[name] = contentsOf(name);
}

void Scenario::unchanged(const Line& line) {
    const auto name = arguments(line, 1, 1)[0].utf8();
    const auto kept = kept_.find(name);
    if (kept == kept_.end())
        throw ScriptError("unchanged needs keep " + name + " first");
    trace((contentsOf(name) == kept->second ? "unchanged " : "changed ") + name);
}

// Writes a file of the given text (UTF-8) into the working folder.
void Scenario::file(const Line& line) {
    const auto args = arguments(line, 2, 2);
    std::ofstream out(args[0].utf8(), std::ios::binary | std::ios::trunc);
    out << args[1].utf8();
    if (!out)
        throw ScriptError("cannot write " + args[0].utf8());
}

void Scenario::resize(const Line& line) {
    const auto args = arguments(line, 2, 2);
    target_->resize(static_cast<Single>(args[0].value().toDouble()),
                    static_cast<Single>(args[1].value().toDouble()));
}

void Scenario::let(const Line& line) {
    const auto args = splitArguments(line.rest);
    if (args.empty())
        throw ScriptError("let needs a property and a value");
    const std::string name = args[0].utf8();
    if (name == "Font") {
        if (args.size() < 3)
            throw ScriptError("let Font takes NAME SIZE [bold] [italic]");
        auto font = Font::make(args[1].text, static_cast<float>(args[2].value().toDouble()));
        for (std::size_t i = 3; i < args.size(); ++i) {
            if (args[i].utf8() == "bold")
                font->Bold(true);
            else if (args[i].utf8() == "italic")
                font->Italic(true);
            else
                throw ScriptError("unknown font style " + args[i].utf8());
        }
        control().Font(font);
        return;
    }
    if (args.size() != 2)
        throw ScriptError("let " + name + " takes one value");
    if (name == "SuperPesquisa") {
        control().SuperPesquisa = args[1].value().toBoolean();
        return;
    }
    const auto* property = findProperty(name);
    if (!property)
        throw ScriptError("unknown property '" + name + "'");
    property->let(control(), args[1].value());
}

void Scenario::get(const Line& line) {
    const std::string name = arguments(line, 1, 1)[0].utf8();
    if (name == "Font")
        return trace("Font = " + headless::formatFont(control().Font()));
    if (name == "SuperPesquisa")
        return trace(name + " = " + formatValue(control().SuperPesquisa));
    const auto* property = findProperty(name);
    if (!property)
        throw ScriptError("unknown property '" + name + "'");
    trace(name + " = " + formatValue(property->get(control())));
}

void Scenario::call(const Line& line) {
    const auto args = arguments(line, 1, 2);
    const auto method = methods().find(args[0].utf8());
    if (method == methods().end())
        throw ScriptError("unknown method '" + args[0].utf8() + "'");
    const Variant argument = args.size() > 1 ? args[1].value() : Variant();
    std::optional<Variant> result;
    target_->call([&] { result = method->second(control(), argument); });
    if (result)
        trace(method->first + " = " + formatValue(*result));
}

void Scenario::member(const Line& line) {
    const auto args = arguments(line, 2, 2);
    if (args[0].utf8() != "SuperPesquisa")
        throw ScriptError("the only public member is SuperPesquisa");
    control().SuperPesquisa = args[1].value().toBoolean();
}

// Runs the statement on a data source configured like the control's and prints its rows.
void Scenario::query(const Line& line) {
    SqliteDataSource source;
    source.Connect(target_->dataSource().Connect());
    source.DatabaseName(target_->dataSource().DatabaseName());
    source.RecordSource(fromUtf8(line.rest));
    try {
        source.Refresh();
    } catch (const Error& error) {
        return trace("error " + std::to_string(error.number()) + " " +
                     quotedText(fromUtf8(error.what())));
    }
    const auto rows = source.rows();
    for (std::size_t i = 0; rows->fetch(i); ++i) {
        std::string text = "row";
        for (const auto& value : rows->row(i))
            text += " " + formatValue(value);
        trace(text);
    }
}

void Scenario::type(const Line& line) {
    target_->type(arguments(line, 1, 1)[0].text);
}

void Scenario::key(const Line& line) {
    for (const auto& arg : arguments(line, 1, 64)) {
        const std::string name = arg.utf8();
        NamedKey key{};
        if (const auto named = namedKeys().find(name); named != namedKeys().end())
            key = named->second;
        else if (!arg.quoted && std::holds_alternative<std::int64_t>(arg.value().value()))
            key = {static_cast<Integer>(number(arg)), 0, 0};
        else
            throw ScriptError("unknown key '" + name + "'");
        target_->key(key.keyCode, key.downShift, key.upShift);
    }
}

// An optional count repeats the text, for very long pastes.
void Scenario::paste(const Line& line) {
    const auto args = arguments(line, 1, 2);
    String text;
    for (long long i = 0, count = args.size() > 1 ? number(args[1]) : 1; i < count; ++i)
        text += args[0].text;
    target_->paste(text);
}

void Scenario::select(const Line& line) {
    const auto args = arguments(line, 2, 2);
    target_->select(static_cast<Long>(number(args[0])), static_cast<Long>(number(args[1])));
}

void Scenario::pick(const Line& line) {
    const auto row = number(arguments(line, 1, 1)[0]);
    if (row >= 0)
        target_->pick(static_cast<std::size_t>(row));
}

void Scenario::click(const Line& line) {
    target_->click(static_cast<Integer>(number(arguments(line, 1, 1)[0])));
}

void Scenario::dblclick(const Line& line) {
    target_->doubleClick(static_cast<Integer>(number(arguments(line, 1, 1)[0])));
}

void Scenario::mouse(const Line& line) {
    using Mouse = headless::HeadlessComboBox::Mouse;
    const auto args = arguments(line, 4, 4);
    const Mouse what = line.command == "mousedown" ? Mouse::Down
                       : line.command == "mouseup" ? Mouse::Up
                                                   : Mouse::Move;
    target_->mouse(what, static_cast<Integer>(number(args[0])),
                   static_cast<Integer>(number(args[1])),
                   static_cast<Single>(args[2].value().toDouble()),
                   static_cast<Single>(args[3].value().toDouble()));
}

void Scenario::on(const Line& line) {
    const auto args = arguments(line, 1, 2);
    const std::string event = args[0].utf8();
    if (args.size() == 1)
        return target_->events().clearHandler(event);
    const std::string assignment = args[1].utf8();
    const auto equals = assignment.find('=');
    if (equals == std::string::npos)
        throw ScriptError("on EVENT takes ARG=VALUE");
    const auto value = splitArguments(assignment.substr(equals + 1));
    target_->events().setArgument(event, assignment.substr(0, equals),
                                  value.empty() ? Variant(String()) : value[0].value());
}

void Scenario::show(const Line&) {
    trace(target_->show());
}

void Scenario::list(const Line&) {
    for (const auto& line : target_->list())
        trace(line);
}

} // namespace

bool runScenario(const std::string& givenPath, const Options& options, std::ostream& out) {
    const std::string& path = givenPath;
    // The working folder changes while the scenario runs; files beside it are found from
    // its own folder.
    const auto scenarioFolder = std::filesystem::absolute(givenPath).parent_path();
    out << "== " << path << '\n';
    std::vector<Line> lines;
    try {
        lines = readScript(path);
    } catch (const ScriptError& error) {
        out << path << ": error: " << error.what() << '\n';
        return false;
    }
    // A scenario that cannot run the same on every platform says so, with the reason.
    for (const auto& line : lines) {
        if (line.command != "only")
            continue;
        const auto args = splitArguments(line.rest);
        if (!args.empty() && args[0].utf8() != options.platform) {
            out << "(only on " << args[0].utf8() << ": "
                << (args.size() > 1 ? args[1].utf8() : std::string()) << ")\n";
            return true;
        }
    }
    WorkFolder folder;
    std::optional<Scenario> scenario;
    try {
        scenario.emplace(path, scenarioFolder, options, out);
    } catch (const ScriptError& error) {
        out << path << ": error: " << error.what() << '\n';
        return false;
    }
    for (const auto& line : lines) {
        try {
            scenario->run(line);
        } catch (const ScriptError& error) {
            out << path << ':' << line.number << ": error: " << error.what() << '\n';
            return false;
        } catch (const Error& error) {
            out << path << ':' << line.number << ": error: " << error.what() << '\n';
            return false;
        }
    }
    scenario->closeForm();
    return scenario->failures() == 0;
}

} // namespace veltra::play

#include "Scenario.h"

#include "veltra/Error.h"
#include "veltra/FormFile.h"
#include "veltra/Text.h"

#include <fstream>

namespace veltra::play {

namespace {

using headless::formatValue;

// A transcript line matches an expectation exactly, or by prefix when it ends in " ...".
bool matches(const std::string& expected, const std::string& line) {
    constexpr std::string_view ellipsis = " ...";
    if (expected.size() >= ellipsis.size() && expected.ends_with(ellipsis))
        return line.starts_with(expected.substr(0, expected.size() - ellipsis.size()));
    return line == expected;
}

} // namespace

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

// Remembers what a database or file holds, for `unchanged` to compare.
void Scenario::keep(const Line& line) {
    const auto name = arguments(line, 1, 1)[0].utf8();
    kept_[name] = setup_->contents(name);
}

void Scenario::unchanged(const Line& line) {
    const auto name = arguments(line, 1, 1)[0].utf8();
    const auto kept = kept_.find(name);
    if (kept == kept_.end())
        throw ScriptError("unchanged needs keep " + name + " first");
    trace((setup_->contents(name) == kept->second ? "unchanged " : "changed ") + name);
}

// Writes a file of the given text (UTF-8) into the working folder.
void Scenario::file(const Line& line) {
    const auto args = arguments(line, 2, 2);
    std::ofstream out(args[0].utf8(), std::ios::binary | std::ios::trunc);
    out << args[1].utf8();
    if (!out)
        throw ScriptError("cannot write " + args[0].utf8());
}

void Scenario::query(const Line& line) {
    DataControl source;
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

} // namespace veltra::play

// One scenario file being run: its actions on the target, the transcript they print and
// the expectations checked against it. Not part of veltra-play's interface.
#pragma once

#include "Runner.h"
#include "Script.h"
#include "Setup.h"
#include "Target.h"

#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace veltra::play {

class Scenario {
  public:
    Scenario(const std::string& path, std::filesystem::path folder, const Options& options,
             std::ostream& out)
        : path_(path), folder_(std::move(folder)), options_(options), out_(out) {
        const TraceSink sink = [this](const std::string& line) { trace(line); };
        target_ = options.platform == "qt"      ? makeQtTarget(sink)
                  : options.platform == "win32" ? makeWin32Target(sink)
                                                : makeHeadlessTarget(sink);
        if (!target_)
            throw ScriptError("this build has no " + options.platform + " front end");
        setup_ = options.onServer() ? makeServerSetup() : makeFileSetup();
        if (!setup_)
            throw ScriptError("this build has no PostgreSQL engine");
        connectAsOptionsSay();
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
    void db(const Line& line) { setup_->open(arguments(line, 1, 1)[0].utf8()); }
    void sql(const Line& line) { setup_->execute(line.rest); }
    void sample(const Line& line) {
        setup_->sample(arguments(line, 1, 1)[0].utf8(), options_.sampleDatabase);
    }
    void file(const Line& line);
    void keep(const Line& line);
    void copy(const Line& line);
    void unchanged(const Line& line);
    void newInstance(const Line&) {
        target_->newInstance();
        connectAsOptionsSay();
    }
    // On a server, the databases the scenario names are the server's: the data control
    // connects there from the start, as a developer's form would say.
    void connectAsOptionsSay() {
        if (options_.onServer())
            target_->dataSource().Connect(u"PostgreSQL");
    }
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
    std::unique_ptr<SetupDatabase> setup_;
    std::unique_ptr<Target> target_;
    std::map<std::string, std::string> kept_;
};

} // namespace veltra::play

#include "Runner.h"

#include "Scenario.h"
#include "veltra/Error.h"
#include "veltra/platform/Files.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>

namespace veltra::play {

namespace {

// Whether a scenario's "only" list (platforms or databases, separated by commas) names the
// platform or the database of this run.
bool runsOn(const std::string& only, const Options& options) {
    std::size_t from = 0;
    while (from <= only.size()) {
        const std::size_t end = std::min(only.find(',', from), only.size());
        const std::string name = only.substr(from, end - from);
        const bool isDatabase = name == "sqlite" || name == "postgresql";
        if (name == (isDatabase ? options.database : options.platform))
            return true;
        from = end + 1;
    }
    return false;
}

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
    // A scenario that cannot run the same on every platform or database says so, with the
    // reason.
    for (const auto& line : lines) {
        if (line.command != "only")
            continue;
        const auto args = splitArguments(line.rest);
        const std::string only = args.empty() ? std::string() : args[0].utf8();
        if (!only.empty() && !runsOn(only, options)) {
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

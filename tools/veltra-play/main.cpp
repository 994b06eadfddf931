// veltra-play: drives one control on a platform (headless, Qt or Win32) from scenario
// scripts and prints what it makes observable.
#include "Runner.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <vector>

namespace {

void usage() {
    std::cerr
        << "usage: veltra-play [--platform headless|qt|win32] [--database sqlite|postgresql]\n"
           "                   [--sample DATABASE] SCENARIO.scn...\n"
           "Runs each scenario in a fresh temporary folder and prints its transcript.\n"
           "The `sample` action copies DATABASE (default: the bundled sample database,\n"
           "or $VELTRA_SAMPLE_DB) into that folder. With --database postgresql the\n"
           "scenario's databases are made afresh on the server that PGHOST, PGPORT and\n"
           "PGUSER name, each named as the file it stands for, and the control connects\n"
           "to them with Connect \"PostgreSQL\".\n";
}

} // namespace

int main(int argc, char** argv) {
    veltra::play::Options options;
    // A build that moves with its programs (the Windows one) keeps the sample beside them.
    options.sampleDatabase = VELTRA_SAMPLE_DB;
    if (options.sampleDatabase.is_relative())
        options.sampleDatabase = std::filesystem::path(argv[0]).parent_path() / VELTRA_SAMPLE_DB;
    if (const char* fromEnvironment = std::getenv("VELTRA_SAMPLE_DB"))
        options.sampleDatabase = std::filesystem::absolute(fromEnvironment);
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--platform") == 0 && i + 1 < argc) {
            options.platform = argv[++i];
            if (options.platform != "headless" && options.platform != "qt" &&
                options.platform != "win32") {
                usage();
                return 2;
            }
        } else if (std::strcmp(argv[i], "--database") == 0 && i + 1 < argc) {
            options.database = argv[++i];
            if (options.database != "sqlite" && options.database != "postgresql") {
                usage();
                return 2;
            }
        } else if (std::strcmp(argv[i], "--sample") == 0 && i + 1 < argc) {
            options.sampleDatabase = std::filesystem::absolute(argv[++i]);
        } else if (argv[i][0] == '-') {
            usage();
            return 2;
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (files.empty()) {
        usage();
        return 2;
    }
    int passed = 0;
    int failed = 0;
    for (const auto& file : files)
        (veltra::play::runScenario(file, options, std::cout) ? passed : failed)++;
    std::cout << passed << " passed, " << failed << " failed\n";
    return failed == 0 ? 0 : 1;
}

// Runs scenario files against one headless control each and checks their expectations.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

namespace veltra::play {

struct Options {
    // The sample database that the `sample` action copies into the working folder.
    std::filesystem::path sampleDatabase;
    // The platform the scenarios run on: "headless" or "qt".
    std::string platform = "headless";
    // Where the scenario's databases are: "sqlite" files in its working folder, or
    // "postgresql" databases on the server that libpq's environment names.
    std::string database = "sqlite";

    bool onServer() const { return database == "postgresql"; }
};

// Runs one scenario file in a fresh temporary folder, printing its transcript and every
// failed expectation to out. Returns whether the file passed.
bool runScenario(const std::string& path, const Options& options, std::ostream& out);

} // namespace veltra::play

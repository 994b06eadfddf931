// A table of person-like names with accents, generated with a fixed seed into a temporary
// folder and removed with the object: the data every benchmark measures on.
#pragma once

#include "veltra/platform/Files.h"

#include <cstddef>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace veltra::bench {

// Prefixes as people type them, letter by letter, in the keystroke benchmarks; every peer
// finds them too (no accents, the table's case).
inline const std::vector<std::string> kTypedPrefixes = {"Maria da S", "Paulo", "Bruno G", "Helena",
                                                        "Gabriel"};

// The next person-like name: one or two first names, maybe a particle, one or two surnames.
std::string personName(std::mt19937& random);

class PeopleTable {
  public:
    // Pessoas(Id INTEGER PRIMARY KEY, Nome TEXT, UF TEXT) with a plain index on Nome.
    explicit PeopleTable(std::size_t rows);
    PeopleTable(const PeopleTable&) = delete;
    PeopleTable& operator=(const PeopleTable&) = delete;

    const std::string& file() const { return file_; }
    // A copy of the file with the folded index that veltra-index adds, made on first call.
    const std::string& indexedFile();
    std::size_t rows() const { return rows_; }
    double secondsToGenerate() const { return seconds_; }

  private:
    TemporaryFolder folder_;
    std::string file_;
    std::string indexedFile_;
    std::size_t rows_;
    double seconds_ = 0;
};

// The process's peak resident memory so far, in megabytes (per system: PeakMemory*.cpp).
double peakMegabytes();

// The value below which the fraction p of the samples lie (0.5 the median).
double percentile(std::vector<double> samples, double p);

} // namespace veltra::bench

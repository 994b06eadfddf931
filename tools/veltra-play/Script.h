// The scenario script: one action per line.
#pragma once

#include "veltra/Types.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace veltra::play {

// A mistake in a script, reported with its file and line.
class ScriptError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One argument: a bare word or a double-quoted string (with \" \\ \r \n \t).
struct Argument {
    String text;
    bool quoted = false;

    // Bare True/False are Booleans, Null is null, a bare number is a number; anything else,
    // and every quoted string, is a string.
    Variant value() const;
    std::string utf8() const;
};

struct Line {
    int number = 0;
    std::string source;  // the line as written
    std::string command; // the first word
    std::string rest;    // everything after the first word and its spaces
};

// The actions of a script file, comments and blank lines dropped.
std::vector<Line> readScript(const std::string& path);

// The arguments of the rest of a line.
std::vector<Argument> splitArguments(const std::string& rest);

} // namespace veltra::play

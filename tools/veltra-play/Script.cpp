#include "Script.h"

#include "veltra/Text.h"

#include <charconv>
#include <fstream>

namespace veltra::play {

namespace {

bool isNumber(const std::string& word) {
    double d = 0;
    const auto result = std::from_chars(word.data(), word.data() + word.size(), d);
    return !word.empty() && result.ec == std::errc{} && result.ptr == word.data() + word.size();
}

char unescape(char c) {
    switch (c) {
    case 'r':
        return '\r';
    case 'n':
        return '\n';
    case 't':
        return '\t';
    case 'b':
        return '\b';
    case '"':
    case '\\':
        return c;
    default:
        throw ScriptError(std::string("unknown escape \\") + c);
    }
}

} // namespace

Variant Argument::value() const {
    if (quoted)
        return text;
    const std::string word = utf8();
    if (word == "True" || word == "False")
        return word == "True";
    if (word == "Null")
        return Null{};
    if (isNumber(word)) {
        double d = 0;
        std::from_chars(word.data(), word.data() + word.size(), d);
        if (word.find_first_of(".eE") == std::string::npos)
            return static_cast<std::int64_t>(d);
        return d;
    }
    return text;
}

std::string Argument::utf8() const {
    return toUtf8(text);
}

std::vector<Argument> splitArguments(const std::string& rest) {
    std::vector<Argument> arguments;
    std::size_t i = 0;
    while (true) {
        i = rest.find_first_not_of(' ', i);
        if (i == std::string::npos)
            break;
        if (rest[i] != '"') {
            const auto end = rest.find(' ', i);
            arguments.push_back({fromUtf8(rest.substr(i, end - i)), false});
            i = end;
            continue;
        }
        std::string text;
        for (++i;; ++i) {
            if (i >= rest.size())
                throw ScriptError("unterminated string");
            if (rest[i] == '"')
                break;
            if (rest[i] == '\\') {
                if (++i >= rest.size())
                    throw ScriptError("unterminated string");
                text += unescape(rest[i]);
            } else {
                text += rest[i];
            }
        }
        arguments.push_back({fromUtf8(text), true});
        ++i;
        if (i < rest.size() && rest[i] != ' ')
            throw ScriptError("a string must be followed by a space or the end of the line");
    }
    return arguments;
}

std::vector<Line> readScript(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ScriptError("cannot open " + path);
    std::vector<Line> lines;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        const auto start = text.find_first_not_of(" \t");
        if (start == std::string::npos || text[start] == '#')
            continue;
        Line line;
        line.number = number;
        line.source = text.substr(start);
        const auto space = line.source.find(' ');
        line.command = line.source.substr(0, space);
        const auto restStart = line.source.find_first_not_of(' ', space);
        if (space != std::string::npos && restStart != std::string::npos)
            line.rest = line.source.substr(restStart);
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace veltra::play

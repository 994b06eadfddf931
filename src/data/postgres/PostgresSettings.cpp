#include "postgres/PostgresSettings.h"
#include "Errors.h"

#include "postgres/Pq.h"
#include "veltra/Error.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

namespace veltra::detail::pg {

namespace {

constexpr std::array<const char*, 2> kSecrets = {"password", "sslpassword"};

bool isSecret(const std::string& keyword) {
    for (const char* secret : kSecrets)
        if (keyword == secret)
            return true;
    return false;
}

// A value as a key=value connection string writes it.
std::string quotedValue(const std::string& value) {
    std::string out = "'";
    for (const char c : value) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "'";
}

// The words of an options setting as the server splits them: at blanks, a backslash
// keeping the next character.
std::vector<std::string> optionWords(const std::string& options) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < options.size(); ++i) {
        const char c = options[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\' && i + 1 < options.size())
            word += options[++i];
        else
            word += c;
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

// A time in milliseconds as the server reads a setting whose unit is the millisecond.
std::optional<double> milliseconds(const std::string& text) {
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(number))
        return std::nullopt;
    std::string unit(end);
    while (!unit.empty() && unit.front() == ' ')
        unit.erase(0, 1);
    static const std::array<std::pair<const char*, double>, 7> kUnits = {{{"", 1},
                                                                          {"us", 0.001},
                                                                          {"ms", 1},
                                                                          {"s", 1000},
                                                                          {"min", 60'000},
                                                                          {"h", 3'600'000},
                                                                          {"d", 86'400'000}}};
    for (const auto& [name, factor] : kUnits)
        if (unit == name)
            return number * factor;
    return std::nullopt;
}

} // namespace

Settings settingsOf(const std::string& conninfo) {
    Settings settings;
    if (conninfo.empty())
        return settings;
    char* error = nullptr;
    const pq::Conninfo parsed(PQconninfoParse(conninfo.c_str(), &error));
    PQfreemem(error);
    if (!parsed)
        fail(DataError::ConnectionStringInvalid);
    for (auto* option = parsed.get(); option->keyword; ++option)
        if (option->val)
            settings[option->keyword] = option->val;
    return settings;
}

bool isConnectionString(const std::string& name) {
    return name.find('=') != std::string::npos || name.starts_with("postgresql://") ||
           name.starts_with("postgres://");
}

Settings settingsOfName(const std::string& name) {
    if (isConnectionString(name))
        return settingsOf(name);
    if (name.empty())
        return {};
    return {{"dbname", name}};
}

std::chrono::milliseconds statementTimeoutIn(const std::string& options) {
    std::optional<double> limit;
    const auto words = optionWords(options);
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string setting;
        if (words[i] == "-c" && i + 1 < words.size())
            setting = words[++i];
        else if (words[i].starts_with("-c"))
            setting = words[i].substr(2);
        else if (words[i].starts_with("--"))
            setting = words[i].substr(2);
        const auto equals = setting.find('=');
        if (equals == std::string::npos)
            continue;
        std::string name = setting.substr(0, equals);
        for (auto& c : name)
            c = c == '-' ? '_' : c;
        if (name == "statement_timeout")
            if (const auto value = milliseconds(setting.substr(equals + 1)))
                limit = value;
    }
    return std::chrono::milliseconds(limit ? static_cast<long long>(std::llround(*limit)) : 0);
}

std::string withoutSecrets(const std::string& conninfo) {
    if (conninfo.empty())
        return {};
    char* error = nullptr;
    const pq::Conninfo parsed(PQconninfoParse(conninfo.c_str(), &error));
    PQfreemem(error);
    if (!parsed)
        return {};
    std::string kept;
    for (auto* option = parsed.get(); option->keyword; ++option)
        if (option->val && !isSecret(option->keyword))
            kept += (kept.empty() ? "" : " ") + std::string(option->keyword) + "=" +
                    quotedValue(option->val);
    return kept;
}

std::string withoutSecrets(std::string message, const Settings& settings) {
    for (const char* secret : kSecrets) {
        const auto found = settings.find(secret);
        if (found == settings.end() || found->second.empty())
            continue;
        for (auto at = message.find(found->second); at != std::string::npos;
             at = message.find(found->second, at + 3))
            message.replace(at, found->second.size(), "***");
    }
    return message;
}

} // namespace veltra::detail::pg

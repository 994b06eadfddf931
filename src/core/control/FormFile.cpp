#include "veltra/FormFile.h"

#include "veltra/Font.h"
#include "veltra/Text.h"

#include <charconv>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace veltra {

namespace {

constexpr std::size_t kFontFields = 7;

struct Malformed {
    std::string message;
};

std::string_view trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Reads the values of one line: strings and numbers separated by commas.
class ValueReader {
  public:
    explicit ValueReader(std::string_view text) : text_(text) {}

    std::vector<Variant> readAll() {
        std::vector<Variant> values;
        while (true) {
            skipBlanks();
            values.push_back(peek() == '"' ? Variant(readString()) : readNumber());
            skipBlanks();
            if (at_ == text_.size())
                return values;
            if (text_[at_] != ',')
                throw Malformed{"esperava-se uma vírgula ou o fim da linha depois do valor"};
            ++at_;
        }
    }

  private:
    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    void skipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t'))
            ++at_;
    }
    String readString() {
        std::string value;
        for (++at_; at_ < text_.size(); ++at_) {
            const char c = text_[at_];
            if (c == '"') {
                ++at_;
                return fromUtf8(value);
            }
            if (c != '\\') {
                value += c;
                continue;
            }
            if (++at_ >= text_.size())
                break;
            switch (text_[at_]) {
            case '"':
                value += '"';
                break;
            case '\\':
                value += '\\';
                break;
            case 'r':
                value += '\r';
                break;
            case 'n':
                value += '\n';
                break;
            case 't':
                value += '\t';
                break;
            default:
                throw Malformed{std::string("sequência de escape desconhecida \\") + text_[at_]};
            }
        }
        throw Malformed{"texto sem aspas de fechamento"};
    }
    Variant readNumber() {
        const auto start = at_;
        while (at_ < text_.size() && text_[at_] != ',' && text_[at_] != ' ' && text_[at_] != '\t')
            ++at_;
        const std::string_view word = text_.substr(start, at_ - start);
        std::int64_t whole = 0;
        auto result = std::from_chars(word.data(), word.data() + word.size(), whole);
        if (!word.empty() && result.ec == std::errc{} && result.ptr == word.data() + word.size())
            return whole;
        double number = 0;
        result = std::from_chars(word.data(), word.data() + word.size(), number);
        if (!word.empty() && result.ec == std::errc{} && result.ptr == word.data() + word.size())
            return number;
        throw Malformed{"valor inválido '" + std::string(word) +
                        "': use um número ou um texto entre aspas"};
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

FontRef fontFrom(const std::vector<Variant>& fields) {
    if (fields.size() != kFontFields || !std::holds_alternative<String>(fields[0].value()))
        throw Malformed{"uma fonte tem 7 campos: nome, tamanho, negrito, itálico, sublinhado, "
                        "tachado e conjunto de caracteres"};
    try {
        auto font = Font::make(fields[0].toText(), static_cast<float>(fields[1].toDouble()),
                               fields[2].toBoolean(), fields[3].toBoolean());
        font->Underline(fields[4].toBoolean());
        font->Strikethrough(fields[5].toBoolean());
        font->Charset(fields[6].toInteger());
        return font;
    } catch (const std::exception&) {
        throw Malformed{"os campos da fonte depois do nome devem ser números"};
    }
}

Variant valueOf(std::string_view text) {
    if (text.empty())
        throw Malformed{"falta o valor depois de '='"};
    auto values = ValueReader(text).readAll();
    if (values.size() == 1)
        return values.front();
    return fontFrom(values);
}

std::string textOf(const Variant& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, bool>)
                return v ? "-1" : "0";
            else if constexpr (std::is_same_v<V, std::int64_t>)
                return std::to_string(v);
            else if constexpr (std::is_same_v<V, double>)
                return shortestNumber(v);
            else if constexpr (std::is_same_v<V, String>)
                return quotedText(v);
            else if constexpr (std::is_same_v<V, FontRef>)
                return v ? quotedText(v->Name()) + ", " + shortestNumber(v->Size()) + ", " +
                               (v->Bold() ? "-1" : "0") + ", " + (v->Italic() ? "-1" : "0") + ", " +
                               (v->Underline() ? "-1" : "0") + ", " +
                               (v->Strikethrough() ? "-1" : "0") + ", " +
                               std::to_string(v->Charset())
                         : std::string("\"\"");
            else
                return "\"\"";
        },
        value.value());
}

bool isKey(std::string_view key) {
    return !key.empty() && key.find_first_of(" \t[]\"=") == std::string_view::npos;
}

} // namespace

Variant FormSection::ReadProperty(const String& key, const Variant& defaultValue) {
    for (const auto& [name, value] : values_)
        if (name == key)
            return value;
    return defaultValue;
}

void FormSection::WriteProperty(const String& key, const Variant& value, const Variant&) {
    for (auto& [name, stored] : values_) {
        if (name == key) {
            stored = value;
            return;
        }
    }
    values_.emplace_back(key, value);
}

FormSection& FormFile::section(const std::string& name) {
    for (auto& section : sections_)
        if (section.name() == name)
            return section;
    return sections_.emplace_back(name);
}

FormFile FormFile::parse(std::string_view text, std::vector<FormFileProblem>& problems) {
    FormFile file;
    FormSection* current = nullptr;
    int number = 0;
    for (std::size_t start = 0; start <= text.size(); ++number) {
        const auto end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = trimmed(line);
        if (line.empty() || line.front() == '#')
            continue;
        try {
            if (line.front() == '[') {
                const auto name = line.back() == ']' ? trimmed(line.substr(1, line.size() - 2))
                                                     : std::string_view();
                if (!isKey(name))
                    throw Malformed{"cabeçalho de seção malformado; use [Nome]"};
                current = &file.section(std::string(name));
                continue;
            }
            const auto equals = line.find('=');
            if (equals == std::string_view::npos)
                throw Malformed{"esperava-se 'chave = valor'"};
            const std::string_view key = trimmed(line.substr(0, equals));
            if (!isKey(key))
                throw Malformed{"nome de chave inválido '" + std::string(key) + "'"};
            if (!current)
                throw Malformed{"chave '" + std::string(key) + "' fora de uma seção [Nome]"};
            current->WriteProperty(fromUtf8(key), valueOf(trimmed(line.substr(equals + 1))), {});
        } catch (const Malformed& malformed) {
            problems.push_back({number + 1, malformed.message});
        }
    }
    return file;
}

FormFile FormFile::read(const std::filesystem::path& path, std::vector<FormFileProblem>& problems) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("não foi possível abrir o formulário " + path.string());
    std::ostringstream content;
    content << in.rdbuf();
    return parse(content.str(), problems);
}

std::string FormFile::text() const {
    std::string out;
    for (const auto& section : sections_) {
        out += (out.empty() ? "[" : "\n[") + section.name() + "]\n";
        for (const auto& [key, value] : section.values())
            out += toUtf8(key) + " = " + textOf(value) + "\n";
    }
    return out;
}

void FormFile::write(const std::filesystem::path& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text();
    if (!out)
        throw std::runtime_error("não foi possível gravar o formulário " + path.string());
}

} // namespace veltra

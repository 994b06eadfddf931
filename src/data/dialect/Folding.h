// How the desktop-database dialect compares text: case and accents folded away, and the
// like patterns with their wildcards; plus the dialect's Val and cstr conversions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace veltra::dialect {

// A code point with case and accents folded: á, Á, à, â, ã, ä and A all give a; ç gives c.
// Latin-1 and Latin Extended-A letters fold to their base letter, Greek letters lose their
// case and tonos, Cyrillic letters their case; other characters are themselves.
char32_t fold(char32_t c);
// Every code point that folds to a folded one (itself among them): A, a, À, Á, ... for a.
std::vector<char32_t> unfolded(char32_t folded);
// The folded form of a UTF-8 text.
std::string fold(std::string_view utf8);
// Orders two UTF-8 texts by their folded code points: "Ana" and "ana" compare equal.
int compareFolded(std::string_view a, std::string_view b);

// A compiled like pattern: * any run (also empty), ? one character, # one digit,
// [abc], [a-z], [!abc] one character of (or not of) a class; a bracketed [*] is itself.
// Matching folds case and accents; every other character is literal (% and _ too).
class LikePattern {
  public:
    // Throws std::invalid_argument for an unclosed bracket.
    explicit LikePattern(std::string_view utf8);

    bool matches(std::string_view utf8) const;
    // The positions of the code points of a text that the pattern's characters other than *
    // matched, in order, the earliest match of each; nothing when the text does not match.
    std::optional<std::vector<std::size_t>> matchedPositions(std::u32string_view text) const;
    // The folded literal text that every match begins with (up to the first wildcard).
    const std::string& prefix() const { return prefix_; }
    // Whether the pattern is its prefix followed by nothing, or by * alone.
    bool isPrefixOnly() const { return prefixOnly_; }
    bool isLiteral() const { return literal_; }
    // The pattern as an anchored POSIX regular expression over folded text (PostgreSQL's ~).
    std::string regex() const;

  private:
    struct Element {
        enum Kind { Literal, AnyRun, AnyOne, Digit, Class } kind = Literal;
        char32_t literal = 0;
        bool negated = false;
        std::vector<std::pair<char32_t, char32_t>> ranges;
        bool accepts(char32_t folded) const;
    };
    // Records in matched, when given, the text position each element other than * took.
    bool matchFrom(const std::vector<char32_t>& text, std::vector<std::size_t>* matched) const;

    std::vector<Element> elements_;
    std::string prefix_;
    bool prefixOnly_ = false;
    bool literal_ = false;
};

// Val: the number a text begins with. Spaces, tabs and line feeds are ignored throughout;
// reading stops at the first character that cannot continue a number; a text that does
// not begin with a number is 0.
std::variant<std::int64_t, double> val(std::string_view utf8);

} // namespace veltra::dialect

#include "dialect/Folding.h"

#include "veltra/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace veltra::dialect {

namespace {

// Folded forms of U+00C0..U+00FF and U+0100..U+017F. Ligatures and letters without a base
// letter only lose their case.
constexpr std::u32string_view kLatin1 =
    U"aaaaaaæceeeeiiiidnooooo×ouuuuyþßaaaaaaæceeeeiiiidnooooo÷ouuuuyþy";
constexpr std::u32string_view kLatinExtendedA =
    U"aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiĳĳjjkkkllllllllllnnnnnnnnnoooooo"
    U"œœrrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
// Folded forms of U+0386..U+03CE: Greek letters lose their case and their tonos or
// dialytika, and the final sigma is a sigma.
constexpr std::u32string_view kGreek = U"α\u0387εηι\u038Bο\u038Dυωιαβγδεζηθικλμνξοπρ\u03A2στυφχψωιυ"
                                       U"αεηιυαβγδεζηθικλμνξοπρσστυφχψωιυουω";
static_assert(kGreek.size() == 0x3CF - 0x386);

std::vector<char32_t> foldedCodePoints(std::string_view utf8) {
    std::vector<char32_t> out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();)
        out.push_back(fold(decodeUtf8(utf8, i)));
    return out;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

char32_t fold(char32_t c) {
    if (c < 0x80)
        return (c >= U'A' && c <= U'Z') ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xFF)
        return kLatin1[c - 0xC0];
    if (c >= 0x100 && c <= 0x17F)
        return kLatinExtendedA[c - 0x100];
    if (c >= 0x386 && c <= 0x3CE)
        return kGreek[c - 0x386];
    if (c >= 0x400 && c <= 0x42F)
        return c + (c < 0x410 ? 0x50 : 0x20);
    return c;
}

std::vector<char32_t> unfolded(char32_t folded) {
    // Only the code points below the end of the Cyrillic capitals fold to another.
    constexpr char32_t kFoldingEnd = 0x430;
    std::vector<char32_t> all;
    for (char32_t c = 0; c < kFoldingEnd; ++c)
        if (fold(c) == folded)
            all.push_back(c);
    if (folded >= kFoldingEnd)
        all.push_back(folded);
    return all;
}

std::string fold(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();)
        appendUtf8(out, fold(decodeUtf8(utf8, i)));
    return out;
}

int compareFolded(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[j]);
        // Plain ASCII on both sides is the common case; it needs no decoding.
        const char32_t p = x < 0x80 ? fold(a[i++]) : fold(decodeUtf8(a, i));
        const char32_t q = y < 0x80 ? fold(b[j++]) : fold(decodeUtf8(b, j));
        if (p != q)
            return p < q ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

bool LikePattern::Element::accepts(char32_t c) const {
    switch (kind) {
    case Literal:
        return c == literal;
    case AnyOne:
        return true;
    case Digit:
        return c >= U'0' && c <= U'9';
    case Class: {
        bool inside = false;
        for (const auto& [from, to] : ranges)
            inside = inside || (c >= from && c <= to);
        return inside != negated;
    }
    case AnyRun:
        return true;
    }
    return false;
}

LikePattern::LikePattern(std::string_view utf8) {
    const std::vector<char32_t> pattern = foldedCodePoints(utf8);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char32_t c = pattern[i];
        Element e;
        if (c == U'*') {
            e.kind = Element::AnyRun;
        } else if (c == U'?') {
            e.kind = Element::AnyOne;
        } else if (c == U'#') {
            e.kind = Element::Digit;
        } else if (c == U'[') {
            std::size_t k = i + 1;
            e.kind = Element::Class;
            if (k < pattern.size() && pattern[k] == U'!' && k + 1 < pattern.size() &&
                pattern[k + 1] != U']') {
                e.negated = true;
                ++k;
            }
            for (; k < pattern.size() && pattern[k] != U']'; ++k) {
                if (k + 2 < pattern.size() && pattern[k + 1] == U'-' && pattern[k + 2] != U']') {
                    e.ranges.emplace_back(pattern[k], pattern[k + 2]);
                    k += 2;
                } else {
                    e.ranges.emplace_back(pattern[k], pattern[k]);
                }
            }
            if (k >= pattern.size())
                throw std::invalid_argument("unclosed bracket");
            // A class of one character without negation ([*], [?], [#]) is that literal.
            if (!e.negated && e.ranges.size() == 1 && e.ranges[0].first == e.ranges[0].second) {
                e.kind = Element::Literal;
                e.literal = e.ranges[0].first;
            }
            i = k;
        } else {
            e.literal = c;
        }
        elements_.push_back(std::move(e));
    }
    std::size_t literals = 0;
    while (literals < elements_.size() && elements_[literals].kind == Element::Literal)
        appendUtf8(prefix_, elements_[literals++].literal);
    literal_ = literals == elements_.size();
    prefixOnly_ =
        literal_ || (literals + 1 == elements_.size() && elements_.back().kind == Element::AnyRun);
}

namespace {

// A code point inside or outside a bracket expression, escaped where the regex language
// gives it a meaning.
void appendRegexCharacter(std::string& out, char32_t c, bool bracket) {
    const std::string_view special = bracket ? "]\\^-[" : ".^$*+?()[]{}|\\";
    if (c < 0x80 && special.find(static_cast<char>(c)) != std::string_view::npos)
        out += '\\';
    appendUtf8(out, c);
}

} // namespace

std::string LikePattern::regex() const {
    std::string out = "^";
    for (const auto& e : elements_) {
        switch (e.kind) {
        case Element::Literal:
            appendRegexCharacter(out, e.literal, false);
            break;
        case Element::AnyRun:
            out += ".*";
            break;
        case Element::AnyOne:
            out += ".";
            break;
        case Element::Digit:
            out += "[0-9]";
            break;
        case Element::Class:
            out += e.negated ? "[^" : "[";
            for (const auto& [from, to] : e.ranges) {
                appendRegexCharacter(out, from, true);
                if (to != from) {
                    out += '-';
                    appendRegexCharacter(out, to, true);
                }
            }
            out += ']';
            break;
        }
    }
    return out + "$";
}

// Glob matching with one remembered star: on a mismatch, the last * takes one more
// character. Linear in practice, quadratic at worst. The elements after that star are matched
// again on each retry, so their recorded positions are those of the match found.
bool LikePattern::matchFrom(const std::vector<char32_t>& text,
                            std::vector<std::size_t>* matched) const {
    if (matched)
        matched->assign(elements_.size(), 0);
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t starP = std::string::npos;
    std::size_t starT = 0;
    while (t < text.size()) {
        if (p < elements_.size() && elements_[p].kind == Element::AnyRun) {
            starP = p++;
            starT = t;
        } else if (p < elements_.size() && elements_[p].accepts(text[t])) {
            if (matched)
                (*matched)[p] = t;
            ++p;
            ++t;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < elements_.size() && elements_[p].kind == Element::AnyRun)
        ++p;
    return p == elements_.size();
}

bool LikePattern::matches(std::string_view utf8) const {
    return matchFrom(foldedCodePoints(utf8), nullptr);
}

std::optional<std::vector<std::size_t>>
LikePattern::matchedPositions(std::u32string_view text) const {
    std::vector<char32_t> folded(text.size());
    std::transform(text.begin(), text.end(), folded.begin(), [](char32_t c) { return fold(c); });
    std::vector<std::size_t> positions;
    if (!matchFrom(folded, &positions))
        return std::nullopt;
    std::vector<std::size_t> matched;
    for (std::size_t p = 0; p < elements_.size(); ++p)
        if (elements_[p].kind != Element::AnyRun)
            matched.push_back(positions[p]);
    return matched;
}

std::variant<std::int64_t, double> val(std::string_view utf8) {
    std::string number;
    bool digits = false;
    bool point = false;
    bool exponent = false;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (isBlank(c))
            continue;
        const bool atStart = number.empty() || number.back() == 'e';
        if ((c == '+' || c == '-') && atStart) {
            number += c;
        } else if (c >= '0' && c <= '9') {
            number += c;
            digits = true;
        } else if (c == '.' && !point && !exponent) {
            number += c;
            point = true;
        } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && digits && !exponent) {
            number += 'e';
            exponent = true;
        } else {
            break;
        }
    }
    while (!number.empty() &&
           (number.back() == 'e' || number.back() == '+' || number.back() == '-'))
        number.pop_back();
    if (!digits)
        return std::int64_t{0};
    if (!point && !exponent) {
        std::int64_t whole = 0;
        const char* begin = number.data() + (number.front() == '+' ? 1 : 0);
        if (std::from_chars(begin, number.data() + number.size(), whole).ec == std::errc{})
            return whole;
    }
    double d = 0;
    const char* begin = number.data() + (number.front() == '+' ? 1 : 0);
    std::from_chars(begin, number.data() + number.size(), d);
    return d;
}

} // namespace veltra::dialect

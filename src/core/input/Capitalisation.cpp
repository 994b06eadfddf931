// Capitalisation of personal names with the Portuguese particles in lower case.
#include "control/ResumeNext.h"
#include "control/WorkingState.h"
#include "veltra/Text.h"
#include "veltra/Veltra.h"

#include <algorithm>
#include <array>
#include <vector>

namespace veltra {

namespace {

// Characters that separate words like a space and are put back in place afterwards, in
// the order in which they are treated.
constexpr std::array<char16_t, 4> kSeparators = {u'-', u'.', u'/', u'\n'};

struct Particle {
    std::u16string_view upper;
    std::u16string_view written;
};
constexpr std::array<Particle, 6> kParticles = {{{u"DE", u"de"},
                                                 {u"E", u"e"},
                                                 {u"DO", u"do"},
                                                 {u"DOS", u"dos"},
                                                 {u"DA", u"da"},
                                                 {u"DAS", u"das"}}};

String capitalisedWord(std::u16string_view word) {
    if (word.empty())
        return {};
    return String(1, upperCase(word.front())) + lowerCase(word.substr(1));
}

// Words of the text, each capitalised or written as a particle, with the spaces between
// them kept: k spaces between two words give k - 1 empty pieces, and the empty piece after
// a final space is not taken.
String wordStep(const String& text) {
    std::vector<std::u16string_view> pieces;
    std::u16string_view rest = text;
    for (auto space = rest.find(u' '); space != std::u16string_view::npos;
         space = rest.find(u' ')) {
        pieces.push_back(rest.substr(0, space));
        rest.remove_prefix(space + 1);
    }
    if (!rest.empty())
        pieces.push_back(rest);
    String result;
    for (const auto piece : pieces) {
        if (!result.empty())
            result += u' ';
        const String upper = upperCase(piece);
        bool particle = false;
        for (const auto& p : kParticles) {
            if (upper == p.upper) {
                result += p.written;
                particle = true;
            }
        }
        if (!particle)
            result += capitalisedWord(piece);
    }
    return result;
}

} // namespace

String Veltra::ConverterLetraCapital(const Variant& Texto) {
    const String texto =
        Texto.isNull() ? String() : readOr(String(), [&] { return Texto.toText(); });
    const bool trailingSpace = state_->TemFoco && !texto.empty() && texto.back() == u' ';
    if (trimSpaces(texto).empty())
        return {};

    // Separators become spaces for the word step; their places are remembered. A separator
    // that begins the text stays inside its word, and so do all others of its kind.
    String work = texto;
    std::array<std::vector<std::size_t>, kSeparators.size()> places;
    for (std::size_t s = 0; s < kSeparators.size(); ++s) {
        const auto first = work.find(kSeparators[s]);
        if (first == String::npos || first == 0)
            continue;
        for (auto at = first; at != String::npos; at = work.find(kSeparators[s], at + 1)) {
            work[at] = u' ';
            places[s].push_back(at);
        }
    }

    if (work.find(u' ') == String::npos) {
        state_->TextoCapitalizado = capitalisedWord(work);
        return state_->TextoCapitalizado;
    }

    // Leading spaces are kept through the word step, so that every separator goes back
    // onto its own character, and dropped afterwards.
    const auto leading = std::min(work.find_first_not_of(u' '), work.size());
    String result = String(leading, u' ') + wordStep(work.substr(leading));
    for (std::size_t s = 0; s < kSeparators.size(); ++s)
        for (const auto at : places[s])
            if (at < result.size())
                result[at] = kSeparators[s];
    result.erase(0, result.find_first_not_of(u' '));

    if (!state_->TemFoco)
        result = trimSpaces(result);
    if (trailingSpace)
        result += u' ';
    state_->TextoCapitalizado = result;
    return result;
}

} // namespace veltra

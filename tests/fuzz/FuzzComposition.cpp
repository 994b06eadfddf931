// The search pattern and the statements composed from any texts.
#include "FuzzSupport.h"
#include "search/Composition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra;
    fuzz::Input input(data, size);
    const bool superPesquisa = input.flag();
    QueryInputs in;
    in.numericOrder = input.flag();
    in.listField = input.text();
    in.boundColumn = input.flag() ? String(kNoBoundColumn) : input.text();
    in.table = input.text();
    in.auxTable = input.text();
    in.auxColumn = input.text();
    in.auxValue = input.text();
    const String text = input.text();
    const String pattern = searchPattern(text, superPesquisa);
    // A leading run of spaces becomes one asterisk; nothing else changes the length.
    fuzz::require(pattern.size() <= text.size() + 1, "pattern longer than its text");
    fuzz::require(searchStatement(in, pattern).find(u" like '" + pattern + u"*'") != String::npos,
                  "search statement without its pattern");
    fuzz::require(fullListStatement(in).starts_with(u"SELECT "), "full-list statement");
    fuzz::require(exactTextStatement(in, text).find(text) != String::npos, "exact-text statement");
    return 0;
}

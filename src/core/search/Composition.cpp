#include "search/Composition.h"

#include "veltra/Text.h"

namespace veltra {

namespace {

bool startsWord(const String& s, std::size_t i) {
    return i == 0 || s[i - 1] == u' ' || s[i - 1] == u'*';
}

enum class Where { InsideWords, AtWordStarts, Anywhere };

// One substitution pass: every occurrence of the letter (in either case) at the places
// given becomes "?". Each test sees the replacements made to its left by the same pass.
void replaceLetter(String& s, char16_t letter, Where where) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (lowerCase(s[i]) != letter)
            continue;
        const bool wordStart = startsWord(s, i);
        if (where == Where::Anywhere || (where == Where::AtWordStarts) == wordStart)
            s[i] = u'?';
    }
}

String codeColumn(const QueryInputs& in) {
    if (in.boundColumn == kNoBoundColumn)
        return u"0 as " + String(kNoBoundColumn) + u", ";
    return in.table + u"." + in.boundColumn + u", ";
}

String extraTable(const QueryInputs& in) {
    return in.auxTable.empty() ? String() : u", " + in.auxTable;
}

// The list value and the extra columns, each after ", ".
String shownColumns(const QueryInputs& in) {
    String columns = in.listField;
    for (const auto& extra : in.extraColumns)
        columns += u", " + extra;
    return columns;
}

String tail(const QueryInputs& in) {
    String w;
    if (!in.auxColumn.empty()) {
        w = u" and cstr(" + in.auxColumn + u") = '" + in.auxValue + u"'";
        if (!in.auxTable.empty())
            w += u" and " + in.auxTable + u"." + in.boundColumn + u" = " + in.table + u"." +
                 in.boundColumn;
    }
    if (in.boundColumn == kNoBoundColumn)
        w += u" GROUP by " + shownColumns(in);
    return w;
}

String orderKey(const QueryInputs& in) {
    return in.numericOrder ? u"Val(" + in.listField + u")" : in.listField;
}

// The search and full-list statements differ only in their condition on the list field.
String listStatement(const QueryInputs& in, const String& condition) {
    return u"SELECT " + codeColumn(in) + shownColumns(in) + u" FROM " + in.table + extraTable(in) +
           u" WHERE " + in.listField + condition + tail(in) + u" ORDER by " + orderKey(in);
}

} // namespace

String searchPattern(const String& text, bool superPesquisa) {
    String s = text;
    if (!s.empty() && s.front() == u' ') {
        const auto firstWord = s.find_first_not_of(u' ');
        s = u"*" + (firstWord == String::npos ? String() : s.substr(firstWord));
    }
    if (!superPesquisa)
        return s;
    replaceLetter(s, u'z', Where::InsideWords);
    replaceLetter(s, u's', Where::InsideWords);
    replaceLetter(s, u'v', Where::AtWordStarts);
    replaceLetter(s, u'w', Where::AtWordStarts);
    replaceLetter(s, u'y', Where::Anywhere);
    // Last, so that the word-start tests above still see the spaces.
    for (auto& c : s)
        if (c == u' ')
            c = u'*';
    return s;
}

String searchStatement(const QueryInputs& in, const String& pattern) {
    return listStatement(in, u" like '" + pattern + u"*'");
}

String fullListStatement(const QueryInputs& in) {
    return listStatement(in, u" <> ''");
}

String exactTextStatement(const QueryInputs& in, const String& text) {
    return u"SELECT " + in.boundColumn + u", " + in.listField + u" FROM " + in.table + u" WHERE " +
           in.listField + u" = '" + text + u"' and " + in.listField + u" <> ''";
}

String tableStatement(const String& table) {
    return u"SELECT * FROM " + table;
}

} // namespace veltra

// The statements that the control gives its data source, composed as text.
#pragma once

#include "veltra/Codes.h"
#include "veltra/Types.h"

#include <vector>

namespace veltra {

// The placeholder bound column: rows then all get the key 0 and equal list values collapse.

// Everything a statement is made of, read afresh for every composition.
struct QueryInputs {
    String listField;   // L: the column the list shows and the search matches
    String boundColumn; // B: the key column, or the placeholder
    String table;       // T
    String auxTable;    // A: optional second table, joined on B
    String auxColumn;   // K: optional column of an equality filter
    String auxValue;    // V: the value K must have, compared as text
    // Columns selected after the list value, for the list to show; rows that differ in
    // them stay apart where equal list values are grouped.
    std::vector<String> extraColumns;
    bool numericOrder = false;
};

// The pattern searched for a typed text: a leading space searches anywhere, and with
// superPesquisa the letters that people misspell become single-character wildcards.
String searchPattern(const String& text, bool superPesquisa);

String searchStatement(const QueryInputs& in, const String& pattern);
String fullListStatement(const QueryInputs& in);
String exactTextStatement(const QueryInputs& in, const String& text);
String tableStatement(const String& table);

} // namespace veltra

// Text helpers shared by the control and its platforms: UTF-8 conversion, the Windows-1252
// character codes that typed keys carry, and the case mapping of Windows-1252 letters.
#pragma once

#include "veltra/Types.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltra {

// UTF-8 <-> UTF-16. Invalid UTF-8 becomes U+FFFD; an unpaired surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view text);
String fromUtf8(std::string_view text);

// The character that a Windows-1252 code stands for. Codes outside 0..255 (as a key press
// carries for characters outside the code page) are taken as 16-bit character codes.
char16_t characterOfCode(Integer code);
// The Windows-1252 code of a character; characters outside the code page give their
// 16-bit code as a signed number.
Integer codeOfCharacter(char16_t character);
// Whether the character has a Windows-1252 code.
bool isWindows1252(char16_t character);

// Case mapping of the Windows-1252 letters (accented ones included: é/É, ç/Ç, š/Š, œ/Œ);
// other characters are returned unchanged.
char16_t upperCase(char16_t character);
char16_t lowerCase(char16_t character);
String upperCase(std::u16string_view text);
String lowerCase(std::u16string_view text);

// Whether position at of a text falls between the two halves of a surrogate pair.
bool splitsPair(std::u16string_view text, std::size_t at);
// A caret position set by code: clamped to the text and, inside a surrogate pair, moved
// past it, as it would be after typing that character.
std::size_t wholeCharacterPosition(std::u16string_view text, std::size_t at);

// The first count 16-bit characters of a text, one fewer where the cut would split a
// surrogate pair (a character beyond the 16-bit range is kept whole or left out).
String leadingCharacters(std::u16string_view text, std::size_t count);

// Leading and trailing U+0020 removed (tabs and other spaces stay).
String trimSpaces(std::u16string_view text);

// The names of a list separated by ";", each without its surrounding spaces; empty names
// are left out ("UF; Regiao;" is UF and Regiao).
std::vector<String> namesOfList(std::u16string_view text);

// One code point of UTF-8 at text[i], moving i past it (U+FFFD for a malformed sequence);
// and the UTF-8 of a code point appended to out.
char32_t decodeUtf8(std::string_view text, std::size_t& i);
void appendUtf8(std::string& out, char32_t codePoint);
// One code point of UTF-16 at text[i], moving i past it (U+FFFD for a lone surrogate).
char32_t decodeUtf16(std::u16string_view text, std::size_t& i);

// A number in the shortest form that reads back as the same value (12, 3.5).
std::string shortestNumber(double number);
std::string shortestNumber(float number);
// A text in double quotes, with \" \\ \r \n \t escaped (UTF-8).
std::string quotedText(std::u16string_view text);

} // namespace veltra

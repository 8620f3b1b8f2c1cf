#pragma once

// Text coding for the speech folders: well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF), UTF-16 and Windows-1252.

#include <cstddef>
#include <string>
#include <string_view>

namespace speechtext {

// Length of the well-formed UTF-8 sequence at `i`, 0 when there is none.
std::size_t utf8SequenceAt(std::string_view text, std::size_t i);
bool isUtf8(std::string_view text);

// The code point at `i`, advancing past it; a byte that starts no well-formed
// sequence gives U+FFFD and advances by one.
char32_t decodeUtf8(std::string_view text, std::size_t& i);
// The code point at `i`, advancing past it; an unpaired surrogate gives U+FFFD.
char32_t decodeUtf16(std::u16string_view text, std::size_t& i);

void appendUtf8(std::string& out, char32_t c);
void appendUtf16(std::u16string& out, char32_t c);

std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// One Windows-1252 byte as Unicode; the five unassigned bytes keep their value.
char16_t cp1252ToUnicode(unsigned char byte);
std::string cp1252ToUtf8(std::string_view text);

} // namespace speechtext

// SPDX-License-Identifier: MIT
// The Mac OS Roman code page, in which AppleTalk names travel. Inside the stack and the
// system every 8-bit string is Mac OS Roman; conversion to Unicode happens only at the edges
// (widgets, terminal, JSON, files on disk).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vidur::text {

// The Unicode code point of one Mac OS Roman byte.
char32_t macRomanToCodePoint(std::uint8_t byte);

// Converts Mac OS Roman bytes to UTF-8. Every byte has a code point, so nothing is lost.
std::string macRomanToUtf8(std::string_view macRoman);

struct Utf8Conversion {
    std::string macRoman;
    bool lossless = true; // false when a character had no Mac OS Roman byte or the input was not UTF-8
};

// Converts UTF-8 to Mac OS Roman; characters without a byte (and malformed UTF-8) become '?'.
Utf8Conversion utf8ToMacRoman(std::string_view utf8);

// Whether the text is well-formed UTF-8: no overlong forms, surrogates or code points past
// U+10FFFF.
bool isUtf8(std::string_view text);

// The longest start of UTF-8 text within maxBytes that cuts no character in two.
std::string_view utf8Prefix(std::string_view utf8, std::size_t maxBytes);

// The case fold of NBP and ZIP: ASCII letters and the accented Mac OS Roman letters that have
// a case pair map to their capital; every other byte (diacritics count) stays itself.
std::uint8_t foldCase(std::uint8_t byte);

// A hash of the string under foldCase: names equal under the fold hash alike.
std::uint64_t foldedHash(std::string_view name);

// Compares under foldCase, byte by byte; negative, 0 or positive as strcmp.
int compareFolded(std::string_view a, std::string_view b);

// Compares plain bytes as unsigned; negative, 0 or positive as strcmp.
int compareBytes(std::string_view a, std::string_view b);

} // namespace vidur::text

// SPDX-License-Identifier: MIT
#include "platform/core/Mbstring.h"

#include "text/MacRoman.h"

#include <string_view>

namespace {
std::string_view viewOf(const char* psz) { return psz ? std::string_view(psz) : std::string_view(); }
const char* plain(const unsigned char* psz) { return reinterpret_cast<const char*>(psz); }
} // namespace

int _mbscmp(const char* string1, const char* string2) {
    return vidur::text::compareBytes(viewOf(string1), viewOf(string2));
}

int _mbsicmp(const char* string1, const char* string2) {
    return vidur::text::compareFolded(viewOf(string1), viewOf(string2));
}

int _mbscmp(const unsigned char* string1, const unsigned char* string2) {
    return _mbscmp(plain(string1), plain(string2));
}

int _mbsicmp(const unsigned char* string1, const unsigned char* string2) {
    return _mbsicmp(plain(string1), plain(string2));
}

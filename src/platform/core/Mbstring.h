// SPDX-License-Identifier: MIT
// The C runtime's multibyte string comparisons. Our multibyte code page is Mac OS Roman
// (one byte a character), so both compare byte by byte as unsigned values; _mbsicmp folds
// case exactly as NBP does, so a name that matches on the network matches here.
#pragma once

// Negative, 0 or positive as strcmp. A null pointer compares as the empty string.
int _mbscmp(const unsigned char* string1, const unsigned char* string2);
int _mbsicmp(const unsigned char* string1, const unsigned char* string2);

// The same for plain char strings, so callers need not cast.
int _mbscmp(const char* string1, const char* string2);
int _mbsicmp(const char* string1, const char* string2);

// SPDX-License-Identifier: MIT
// Win32's private profile functions over ProfileFile and ProfileStorage. Strings are Mac OS
// Roman in memory and UTF-8 on disk.
#pragma once

#include "platform/core/Win32Types.h"

// Copies the value of lpKeyName in section lpAppName into lpReturnedString (nSize chars
// with the zero) and returns the number of characters copied, not counting the zero.
//  - a missing key gives lpDefault (null: empty) without its trailing spaces;
//  - a value too long is cut: the result is then nSize - 1;
//  - a null lpKeyName lists the section's keys, a null lpAppName lists the sections: each
//    name followed by a zero, the list by one more; a list too long is cut, ends with two
//    zeros and the result is nSize - 2.
DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName);

// Sets lpKeyName in section lpAppName to lpString, creating the file and the section when
// missing; a null lpString removes the key, a null lpKeyName the whole section. Returns
// FALSE, changing nothing, when the file cannot be written or when a name or value would
// break the file's structure (a line break anywhere, ']' in a section name, '=' in a key,
// a key starting with ';' or '[', an empty name).
BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName);

// SPDX-License-Identifier: MIT
// The Win32 base types and constants that the system's code is written with.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using LANGID = WORD;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPCTSTR = const char*;
using LPVOID = void*;
using COLORREF = DWORD;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(DWORD v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(DWORD v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }

// Languages of the resources.
constexpr LANGID kLangEnglishUS = 1033;
constexpr LANGID kLangFrench = 1036;

// Dialog end codes.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

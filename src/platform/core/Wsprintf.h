// SPDX-License-Identifier: MIT
// Win32's wsprintfA: printf-style formatting into a caller's buffer. As on Windows the
// output is capped at 1024 characters including the terminating zero; a longer result is
// cut, never written past that.
#pragma once

#include "platform/core/Win32Types.h"

#include <cstdarg>

constexpr int kWsprintfMaxChars = 1024;

// Returns the number of characters stored, not counting the zero.
int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) __attribute__((format(printf, 2, 3)));
int wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist) __attribute__((format(printf, 2, 0)));

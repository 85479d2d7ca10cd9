// SPDX-License-Identifier: MIT
#include "platform/core/Wsprintf.h"

#include <algorithm>
#include <cstdio>

int wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist) {
    if (!lpOut) return 0;
    if (!lpFmt) {
        lpOut[0] = '\0';
        return 0;
    }
    const int wanted = std::vsnprintf(lpOut, kWsprintfMaxChars, lpFmt, arglist);
    if (wanted < 0) {
        lpOut[0] = '\0';
        return 0;
    }
    return std::min(wanted, kWsprintfMaxChars - 1);
}

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
    va_list args;
    va_start(args, lpFmt);
    const int stored = wvsprintfA(lpOut, lpFmt, args);
    va_end(args);
    return stored;
}

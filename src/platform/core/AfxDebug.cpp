// SPDX-License-Identifier: MIT
#include "platform/core/AfxDebug.h"

#include <cstdio>
#include <cstdlib>

void AfxAssertFailedLine(const char* pszFile, int nLine, const char* pszExpression) {
    std::fprintf(stderr, "vidur20: assertion failed at %s:%d: %s\n", pszFile, nLine, pszExpression);
    std::abort();
}

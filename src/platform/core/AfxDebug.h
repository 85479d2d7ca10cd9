// SPDX-License-Identifier: MIT
// The framework's diagnostic macros. A broken precondition (an index out of range, a bad
// position) stops the process with the place it happened, in every build: carrying on
// would read or write memory that is not ours.
#pragma once

[[noreturn]] void AfxAssertFailedLine(const char* pszFile, int nLine, const char* pszExpression);

#define ASSERT(f) ((f) ? static_cast<void>(0) : AfxAssertFailedLine(__FILE__, __LINE__, #f))
#define VERIFY(f) ASSERT(f)
#define ASSERT_VALID(pObj) ((pObj)->AssertValid())

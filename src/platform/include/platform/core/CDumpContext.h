// SPDX-License-Identifier: MIT
// The framework's diagnostic dump target, reduced to collecting text: Dump() output can be
// read back (by tests, or written to a log by whoever holds the context).
#pragma once

#include "platform/core/Win32Types.h"

#include <string>

class CDumpContext {
public:
    CDumpContext& operator<<(LPCSTR psz);
    CDumpContext& operator<<(int n);
    CDumpContext& operator<<(UINT n);
    CDumpContext& operator<<(const void* p);
    const std::string& GetText() const { return m_text; }

private:
    std::string m_text;
};

// SPDX-License-Identifier: MIT
#include "platform/core/CDumpContext.h"

#include <cstdio>

CDumpContext& CDumpContext::operator<<(LPCSTR psz) {
    m_text += psz ? psz : "(null)";
    return *this;
}

CDumpContext& CDumpContext::operator<<(int n) {
    m_text += std::to_string(n);
    return *this;
}

CDumpContext& CDumpContext::operator<<(UINT n) {
    m_text += std::to_string(n);
    return *this;
}

CDumpContext& CDumpContext::operator<<(const void* p) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "$%p", p);
    m_text += buffer;
    return *this;
}

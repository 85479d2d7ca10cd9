// SPDX-License-Identifier: MIT
#include "platform/core/CRuntimeClass.h"

#include <cstring>

namespace {
// Constant-initialised, so registrations from any static initialiser find it ready.
constinit CRuntimeClass* g_firstClass = nullptr;
} // namespace

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass) {
    pNewClass->m_pNextClass = g_firstClass;
    g_firstClass = pNewClass;
}

CObject* CRuntimeClass::CreateObject() { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
    for (const CRuntimeClass* pClass = this; pClass; pClass = pClass->m_pBaseClass)
        if (pClass == pBaseClass) return TRUE;
    return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR lpszClassName) {
    if (!lpszClassName) return nullptr;
    for (CRuntimeClass* pClass = g_firstClass; pClass; pClass = pClass->m_pNextClass)
        if (std::strcmp(pClass->m_lpszClassName, lpszClassName) == 0) return pClass;
    return nullptr;
}

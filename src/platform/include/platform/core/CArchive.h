// SPDX-License-Identifier: MIT
// The framework's archive, declared so that CObject::Serialize has its signature. Nothing in
// the system is ever serialised, so an archive only knows its direction.
#pragma once

#include "platform/core/Win32Types.h"

class CArchive {
public:
    enum Mode { store = 0, load = 1 };
    explicit CArchive(UINT nMode) : m_nMode(nMode) {}
    BOOL IsLoading() const { return (m_nMode & load) != 0 ? TRUE : FALSE; }
    BOOL IsStoring() const { return (m_nMode & load) == 0 ? TRUE : FALSE; }

private:
    UINT m_nMode;
};

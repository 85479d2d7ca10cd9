// SPDX-License-Identifier: MIT
// The framework's root class: run-time class information, the serialisation and
// diagnostic hooks, and no copying (a derived class that wants copies writes its own).
#pragma once

#include "platform/core/CArchive.h"
#include "platform/core/CDumpContext.h"
#include "platform/core/CRuntimeClass.h"
#include "platform/core/Win32Types.h"

class CObject {
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;

    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;

    BOOL IsSerializable() const;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;

    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& dc) const;

    static CRuntimeClass classCObject;

protected:
    CObject() = default;
};

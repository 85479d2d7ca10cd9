// SPDX-License-Identifier: MIT
#include "platform/core/CObject.h"

#include "platform/core/AfxDebug.h"

CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr, nullptr};
static const AFX_CLASSINIT afxInit_CObject(&CObject::classCObject);

CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF ? TRUE : FALSE; }

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }

void CObject::Serialize(CArchive& /*ar*/) {}

// A CObject has no invariant of its own; derived classes check theirs.
void CObject::AssertValid() const {}

void CObject::Dump(CDumpContext& dc) const {
    dc << "a " << GetRuntimeClass()->m_lpszClassName << " at " << static_cast<const void*>(this) << "\n";
}

// SPDX-License-Identifier: MIT
// The framework's run-time class record: a class's name, size, schema, factory and base.
// Every record that IMPLEMENT_DYNAMIC defines registers itself at start-up, so a class can
// be found and created by name.
#pragma once

#include "platform/core/Win32Types.h"

class CObject;

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema; // 0xFFFF: cannot be serialised
    CObject* (*m_pfnCreateObject)(); // null: cannot be created by name
    CRuntimeClass* m_pBaseClass; // null only for CObject

    // A new object of this class, or null when the class has no factory.
    CObject* CreateObject();
    // TRUE when this class is pBaseClass or derives from it.
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
    // The registered class of that exact name, or null.
    static CRuntimeClass* FromName(LPCSTR lpszClassName);

    CRuntimeClass* m_pNextClass; // the chain of registered classes
};

// Links one class record into the chain; IMPLEMENT_DYNAMIC defines one per class.
struct AFX_CLASSINIT {
    explicit AFX_CLASSINIT(CRuntimeClass* pNewClass);
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)         \
public:                                     \
    static CRuntimeClass class##class_name; \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                                    \
    CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), wSchema,  \
                                                   pfnNew,      RUNTIME_CLASS(base_class_name),       nullptr}; \
    static const AFX_CLASSINIT afxInit_##class_name(&class_name::class##class_name);                            \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)           \
    CObject* class_name::CreateObject() { return new class_name; } \
    IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

// SPDX-License-Identifier: MIT
// The framework's hash map from strings to untyped pointers. Keys compare case-sensitively,
// byte for byte. Iteration follows the framework exactly: buckets in order (the framework's
// hash, 17 buckets unless InitHashTable says otherwise), newest association first within a
// bucket, so the same insertions always iterate in the same order.
#pragma once

#include "platform/core/CObject.h"
#include "platform/core/CString.h"
#include "platform/core/Position.h"

class CMapStringToPtr : public CObject {
    DECLARE_DYNAMIC(CMapStringToPtr)
public:
    explicit CMapStringToPtr(int nBlockSize = 10);
    ~CMapStringToPtr() override;

    int GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0 ? TRUE : FALSE; }

    BOOL Lookup(LPCSTR key, void*& rValue) const;
    BOOL LookupKey(LPCSTR key, LPCSTR& rKey) const;
    void*& operator[](LPCSTR key); // adds the key with a null value when it is missing
    void SetAt(LPCSTR key, void* newValue) { (*this)[key] = newValue; }
    BOOL RemoveKey(LPCSTR key);
    void RemoveAll();

    POSITION GetStartPosition() const { return m_nCount == 0 ? nullptr : BEFORE_START_POSITION; }
    void GetNextAssoc(POSITION& rNextPosition, CString& rKey, void*& rValue) const;

    UINT GetHashTableSize() const { return m_nHashTableSize; }
    // Sets the bucket count; only while the map is empty.
    void InitHashTable(UINT hashSize, BOOL bAllocNow = TRUE);
    UINT HashKey(LPCSTR key) const;

    void AssertValid() const override;

protected:
    struct CAssoc {
        CAssoc* pNext;
        UINT nHashValue;
        CString key;
        void* value;
    };

    CAssoc* GetAssocAt(LPCSTR key, UINT& nHash) const;

    CAssoc** m_pHashTable = nullptr;
    UINT m_nHashTableSize = 17;
    int m_nCount = 0;
    int m_nBlockSize;
};

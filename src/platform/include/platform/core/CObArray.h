// SPDX-License-Identifier: MIT
// The framework's growable array of CObject pointers. It does not own what it points to.
// Growth follows the framework: by the grow-by step set with SetSize, or by an eighth of the
// size (at least 4, at most 1024) when no step was set. An index out of range stops the process.
#pragma once

#include "platform/core/CObject.h"

class CObArray : public CObject {
    DECLARE_DYNCREATE(CObArray)
public:
    CObArray() = default;
    ~CObArray() override;

    int GetSize() const { return m_nSize; }
    int GetUpperBound() const { return m_nSize - 1; }
    void SetSize(int nNewSize, int nGrowBy = -1);
    void FreeExtra();
    void RemoveAll() { SetSize(0); }

    CObject* GetAt(int nIndex) const;
    void SetAt(int nIndex, CObject* newElement);
    CObject*& ElementAt(int nIndex);
    const CObject** GetData() const { return const_cast<const CObject**>(m_pData); }
    CObject** GetData() { return m_pData; }

    void SetAtGrow(int nIndex, CObject* newElement);
    int Add(CObject* newElement);
    int Append(const CObArray& src);
    void Copy(const CObArray& src);

    CObject* operator[](int nIndex) const { return GetAt(nIndex); }
    CObject*& operator[](int nIndex) { return ElementAt(nIndex); }

    // Inserting past the end grows the array, filling the gap with nulls.
    void InsertAt(int nIndex, CObject* newElement, int nCount = 1);
    void InsertAt(int nStartIndex, CObArray* pNewArray);
    void RemoveAt(int nIndex, int nCount = 1);

    void AssertValid() const override;

protected:
    CObject** m_pData = nullptr;
    int m_nSize = 0;
    int m_nMaxSize = 0;
    int m_nGrowBy = 0; // 0: the framework's default step
};

// SPDX-License-Identifier: MIT
// The framework's doubly linked list of CObject pointers; it does not own what it points to.
// POSITION values are node addresses, valid until their node is removed. The block size is
// kept for the framework's signature; nodes are allocated one by one, so a stale POSITION is
// caught by the address sanitizer instead of silently reusing a pooled node.
#pragma once

#include "platform/core/CObject.h"
#include "platform/core/Position.h"

class CObList : public CObject {
    DECLARE_DYNCREATE(CObList)
public:
    explicit CObList(int nBlockSize = 10);
    ~CObList() override;

    int GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0 ? TRUE : FALSE; }

    // Head and tail; the list must not be empty.
    CObject*& GetHead();
    CObject* GetHead() const;
    CObject*& GetTail();
    CObject* GetTail() const;
    CObject* RemoveHead();
    CObject* RemoveTail();

    POSITION AddHead(CObject* newElement);
    POSITION AddTail(CObject* newElement);
    void AddHead(CObList* pNewList); // the other list's elements, in their order
    void AddTail(CObList* pNewList);
    void RemoveAll();

    // Iteration: GetNext/GetPrev return the element at rPosition and move it on (null at the end).
    POSITION GetHeadPosition() const { return toPosition(m_pNodeHead); }
    POSITION GetTailPosition() const { return toPosition(m_pNodeTail); }
    CObject*& GetNext(POSITION& rPosition);
    CObject* GetNext(POSITION& rPosition) const;
    CObject*& GetPrev(POSITION& rPosition);
    CObject* GetPrev(POSITION& rPosition) const;

    CObject*& GetAt(POSITION position);
    CObject* GetAt(POSITION position) const;
    void SetAt(POSITION pos, CObject* newElement);
    void RemoveAt(POSITION position);
    POSITION InsertBefore(POSITION position, CObject* newElement);
    POSITION InsertAfter(POSITION position, CObject* newElement);

    // Searching: the first node after startAfter (or from the head) holding that pointer.
    POSITION Find(CObject* searchValue, POSITION startAfter = nullptr) const;
    // The node at a zero-based index, or null when out of range.
    POSITION FindIndex(int nIndex) const;

    void AssertValid() const override;

protected:
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        CObject* data;
    };

    static POSITION toPosition(CNode* pNode) { return reinterpret_cast<POSITION>(pNode); }
    static CNode* toNode(POSITION position);
    CNode* NewNode(CNode* pPrev, CNode* pNext, CObject* data);
    void FreeNode(CNode* pNode);

    CNode* m_pNodeHead = nullptr;
    CNode* m_pNodeTail = nullptr;
    int m_nCount = 0;
    int m_nBlockSize;
};

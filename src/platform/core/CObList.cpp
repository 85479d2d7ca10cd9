// SPDX-License-Identifier: MIT
#include "platform/core/CObList.h"

#include "platform/core/AfxDebug.h"

IMPLEMENT_DYNCREATE(CObList, CObject)

CObList::CObList(int nBlockSize) : m_nBlockSize(nBlockSize) { ASSERT(nBlockSize > 0); }

CObList::~CObList() { RemoveAll(); }

CObList::CNode* CObList::toNode(POSITION position) {
    ASSERT(position != nullptr && position != BEFORE_START_POSITION);
    return reinterpret_cast<CNode*>(position);
}

CObList::CNode* CObList::NewNode(CNode* pPrev, CNode* pNext, CObject* data) {
    auto* pNode = new CNode{pNext, pPrev, data};
    ++m_nCount;
    return pNode;
}

void CObList::FreeNode(CNode* pNode) {
    delete pNode;
    --m_nCount;
}

CObject*& CObList::GetHead() {
    ASSERT(m_pNodeHead != nullptr);
    return m_pNodeHead->data;
}

CObject* CObList::GetHead() const {
    ASSERT(m_pNodeHead != nullptr);
    return m_pNodeHead->data;
}

CObject*& CObList::GetTail() {
    ASSERT(m_pNodeTail != nullptr);
    return m_pNodeTail->data;
}

CObject* CObList::GetTail() const {
    ASSERT(m_pNodeTail != nullptr);
    return m_pNodeTail->data;
}

CObject* CObList::RemoveHead() {
    ASSERT(m_pNodeHead != nullptr);
    CObject* data = m_pNodeHead->data;
    RemoveAt(toPosition(m_pNodeHead));
    return data;
}

CObject* CObList::RemoveTail() {
    ASSERT(m_pNodeTail != nullptr);
    CObject* data = m_pNodeTail->data;
    RemoveAt(toPosition(m_pNodeTail));
    return data;
}

POSITION CObList::AddHead(CObject* newElement) {
    CNode* pNode = NewNode(nullptr, m_pNodeHead, newElement);
    if (m_pNodeHead)
        m_pNodeHead->pPrev = pNode;
    else
        m_pNodeTail = pNode;
    m_pNodeHead = pNode;
    return toPosition(pNode);
}

POSITION CObList::AddTail(CObject* newElement) {
    CNode* pNode = NewNode(m_pNodeTail, nullptr, newElement);
    if (m_pNodeTail)
        m_pNodeTail->pNext = pNode;
    else
        m_pNodeHead = pNode;
    m_pNodeTail = pNode;
    return toPosition(pNode);
}

void CObList::AddHead(CObList* pNewList) {
    ASSERT(pNewList != nullptr && pNewList != this);
    // Walking from the tail keeps the other list's order at our head.
    for (POSITION pos = pNewList->GetTailPosition(); pos;) AddHead(pNewList->GetPrev(pos));
}

void CObList::AddTail(CObList* pNewList) {
    ASSERT(pNewList != nullptr && pNewList != this);
    for (POSITION pos = pNewList->GetHeadPosition(); pos;) AddTail(pNewList->GetNext(pos));
}

void CObList::RemoveAll() {
    CNode* pNode = m_pNodeHead;
    while (pNode) {
        CNode* pNext = pNode->pNext;
        FreeNode(pNode);
        pNode = pNext;
    }
    m_pNodeHead = m_pNodeTail = nullptr;
}

CObject*& CObList::GetNext(POSITION& rPosition) {
    CNode* pNode = toNode(rPosition);
    rPosition = toPosition(pNode->pNext);
    return pNode->data;
}

CObject* CObList::GetNext(POSITION& rPosition) const {
    CNode* pNode = toNode(rPosition);
    rPosition = toPosition(pNode->pNext);
    return pNode->data;
}

CObject*& CObList::GetPrev(POSITION& rPosition) {
    CNode* pNode = toNode(rPosition);
    rPosition = toPosition(pNode->pPrev);
    return pNode->data;
}

CObject* CObList::GetPrev(POSITION& rPosition) const {
    CNode* pNode = toNode(rPosition);
    rPosition = toPosition(pNode->pPrev);
    return pNode->data;
}

CObject*& CObList::GetAt(POSITION position) { return toNode(position)->data; }

CObject* CObList::GetAt(POSITION position) const { return toNode(position)->data; }

void CObList::SetAt(POSITION pos, CObject* newElement) { toNode(pos)->data = newElement; }

void CObList::RemoveAt(POSITION position) {
    CNode* pOld = toNode(position);
    if (pOld == m_pNodeHead)
        m_pNodeHead = pOld->pNext;
    else
        pOld->pPrev->pNext = pOld->pNext;
    if (pOld == m_pNodeTail)
        m_pNodeTail = pOld->pPrev;
    else
        pOld->pNext->pPrev = pOld->pPrev;
    FreeNode(pOld);
}

POSITION CObList::InsertBefore(POSITION position, CObject* newElement) {
    if (!position) return AddHead(newElement);
    CNode* pOld = toNode(position);
    CNode* pNew = NewNode(pOld->pPrev, pOld, newElement);
    if (pOld->pPrev)
        pOld->pPrev->pNext = pNew;
    else
        m_pNodeHead = pNew;
    pOld->pPrev = pNew;
    return toPosition(pNew);
}

POSITION CObList::InsertAfter(POSITION position, CObject* newElement) {
    if (!position) return AddTail(newElement);
    CNode* pOld = toNode(position);
    CNode* pNew = NewNode(pOld, pOld->pNext, newElement);
    if (pOld->pNext)
        pOld->pNext->pPrev = pNew;
    else
        m_pNodeTail = pNew;
    pOld->pNext = pNew;
    return toPosition(pNew);
}

POSITION CObList::Find(CObject* searchValue, POSITION startAfter) const {
    CNode* pNode = startAfter ? toNode(startAfter)->pNext : m_pNodeHead;
    for (; pNode; pNode = pNode->pNext)
        if (pNode->data == searchValue) return toPosition(pNode);
    return nullptr;
}

POSITION CObList::FindIndex(int nIndex) const {
    if (nIndex < 0 || nIndex >= m_nCount) return nullptr;
    CNode* pNode = m_pNodeHead;
    while (nIndex-- > 0) pNode = pNode->pNext;
    return toPosition(pNode);
}

void CObList::AssertValid() const {
    ASSERT(m_nCount >= 0);
    ASSERT((m_nCount == 0) == (m_pNodeHead == nullptr) && (m_pNodeHead == nullptr) == (m_pNodeTail == nullptr));
}

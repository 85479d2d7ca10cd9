// SPDX-License-Identifier: MIT
#include "platform/core/CObArray.h"

#include "platform/core/AfxDebug.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNCREATE(CObArray, CObject)

CObArray::~CObArray() { delete[] m_pData; }

void CObArray::SetSize(int nNewSize, int nGrowBy) {
    ASSERT(nNewSize >= 0);
    if (nGrowBy != -1) m_nGrowBy = nGrowBy;
    if (nNewSize == 0) {
        delete[] m_pData;
        m_pData = nullptr;
        m_nSize = m_nMaxSize = 0;
        return;
    }
    if (nNewSize <= m_nMaxSize) {
        if (nNewSize > m_nSize) std::fill(m_pData + m_nSize, m_pData + nNewSize, nullptr);
        m_nSize = nNewSize;
        return;
    }
    int step = m_nGrowBy;
    if (step == 0) step = std::min(1024, std::max(4, m_nSize / 8));
    const int newMax = std::max(nNewSize, m_nMaxSize + step);
    auto* pNewData = new CObject*[static_cast<std::size_t>(newMax)];
    std::copy(m_pData, m_pData + m_nSize, pNewData);
    std::fill(pNewData + m_nSize, pNewData + newMax, nullptr);
    delete[] m_pData;
    m_pData = pNewData;
    m_nSize = nNewSize;
    m_nMaxSize = newMax;
}

void CObArray::FreeExtra() {
    if (m_nSize == m_nMaxSize) return;
    CObject** pNewData = nullptr;
    if (m_nSize > 0) {
        pNewData = new CObject*[static_cast<std::size_t>(m_nSize)];
        std::copy(m_pData, m_pData + m_nSize, pNewData);
    }
    delete[] m_pData;
    m_pData = pNewData;
    m_nMaxSize = m_nSize;
}

CObject* CObArray::GetAt(int nIndex) const {
    ASSERT(nIndex >= 0 && nIndex < m_nSize);
    return m_pData[nIndex];
}

void CObArray::SetAt(int nIndex, CObject* newElement) {
    ASSERT(nIndex >= 0 && nIndex < m_nSize);
    m_pData[nIndex] = newElement;
}

CObject*& CObArray::ElementAt(int nIndex) {
    ASSERT(nIndex >= 0 && nIndex < m_nSize);
    return m_pData[nIndex];
}

void CObArray::SetAtGrow(int nIndex, CObject* newElement) {
    ASSERT(nIndex >= 0);
    if (nIndex >= m_nSize) SetSize(nIndex + 1);
    m_pData[nIndex] = newElement;
}

int CObArray::Add(CObject* newElement) {
    const int nIndex = m_nSize;
    SetAtGrow(nIndex, newElement);
    return nIndex;
}

int CObArray::Append(const CObArray& src) {
    ASSERT(this != &src);
    const int nOldSize = m_nSize;
    SetSize(m_nSize + src.m_nSize);
    std::copy(src.m_pData, src.m_pData + src.m_nSize, m_pData + nOldSize);
    return nOldSize;
}

void CObArray::Copy(const CObArray& src) {
    if (this == &src) return;
    SetSize(src.m_nSize);
    std::copy(src.m_pData, src.m_pData + src.m_nSize, m_pData);
}

void CObArray::InsertAt(int nIndex, CObject* newElement, int nCount) {
    ASSERT(nIndex >= 0 && nCount > 0);
    if (nIndex >= m_nSize) {
        SetSize(nIndex + nCount);
    } else {
        const int nOldSize = m_nSize;
        SetSize(m_nSize + nCount);
        std::copy_backward(m_pData + nIndex, m_pData + nOldSize, m_pData + nOldSize + nCount);
    }
    std::fill(m_pData + nIndex, m_pData + nIndex + nCount, newElement);
}

void CObArray::InsertAt(int nStartIndex, CObArray* pNewArray) {
    ASSERT(pNewArray != nullptr && pNewArray != this && nStartIndex >= 0);
    if (pNewArray->GetSize() == 0) return;
    InsertAt(nStartIndex, pNewArray->GetAt(0), pNewArray->GetSize());
    for (int i = 0; i < pNewArray->GetSize(); ++i) SetAt(nStartIndex + i, pNewArray->GetAt(i));
}

void CObArray::RemoveAt(int nIndex, int nCount) {
    ASSERT(nIndex >= 0 && nCount >= 0 && nIndex + nCount <= m_nSize);
    std::copy(m_pData + nIndex + nCount, m_pData + m_nSize, m_pData + nIndex);
    m_nSize -= nCount;
}

void CObArray::AssertValid() const {
    ASSERT(m_nSize >= 0 && m_nSize <= m_nMaxSize);
    ASSERT((m_pData == nullptr) == (m_nMaxSize == 0));
}

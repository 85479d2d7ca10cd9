// SPDX-License-Identifier: MIT
#include "platform/core/CMapStringToPtr.h"

#include "platform/core/AfxDebug.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CMapStringToPtr, CObject)

CMapStringToPtr::CMapStringToPtr(int nBlockSize) : m_nBlockSize(nBlockSize) { ASSERT(nBlockSize > 0); }

CMapStringToPtr::~CMapStringToPtr() { RemoveAll(); }

UINT CMapStringToPtr::HashKey(LPCSTR key) const {
    // The framework's hash, over plain (signed) chars as it had them.
    UINT nHash = 0;
    for (; key && *key; ++key) nHash = (nHash << 5) + nHash + static_cast<UINT>(static_cast<signed char>(*key));
    return nHash;
}

void CMapStringToPtr::InitHashTable(UINT hashSize, BOOL bAllocNow) {
    ASSERT(m_nCount == 0 && hashSize > 0);
    delete[] m_pHashTable;
    m_pHashTable = nullptr;
    if (bAllocNow) m_pHashTable = new CAssoc* [hashSize] {};
    m_nHashTableSize = hashSize;
}

CMapStringToPtr::CAssoc* CMapStringToPtr::GetAssocAt(LPCSTR key, UINT& nHash) const {
    nHash = HashKey(key) % m_nHashTableSize;
    if (!m_pHashTable) return nullptr;
    for (CAssoc* pAssoc = m_pHashTable[nHash]; pAssoc; pAssoc = pAssoc->pNext)
        if (pAssoc->key == (key ? key : "")) return pAssoc;
    return nullptr;
}

BOOL CMapStringToPtr::Lookup(LPCSTR key, void*& rValue) const {
    UINT nHash = 0;
    const CAssoc* pAssoc = GetAssocAt(key, nHash);
    if (!pAssoc) return FALSE;
    rValue = pAssoc->value;
    return TRUE;
}

BOOL CMapStringToPtr::LookupKey(LPCSTR key, LPCSTR& rKey) const {
    UINT nHash = 0;
    const CAssoc* pAssoc = GetAssocAt(key, nHash);
    if (!pAssoc) return FALSE;
    rKey = pAssoc->key;
    return TRUE;
}

void*& CMapStringToPtr::operator[](LPCSTR key) {
    UINT nHash = 0;
    CAssoc* pAssoc = GetAssocAt(key, nHash);
    if (!pAssoc) {
        if (!m_pHashTable) InitHashTable(m_nHashTableSize);
        pAssoc = new CAssoc{m_pHashTable[nHash], nHash, CString(key), nullptr};
        m_pHashTable[nHash] = pAssoc; // newest first within its bucket
        ++m_nCount;
    }
    return pAssoc->value;
}

BOOL CMapStringToPtr::RemoveKey(LPCSTR key) {
    if (!m_pHashTable) return FALSE;
    const CString wanted(key);
    CAssoc** ppPrev = &m_pHashTable[HashKey(key) % m_nHashTableSize];
    for (CAssoc* pAssoc = *ppPrev; pAssoc; ppPrev = &pAssoc->pNext, pAssoc = pAssoc->pNext) {
        if (pAssoc->key == wanted) {
            *ppPrev = pAssoc->pNext;
            delete pAssoc;
            --m_nCount;
            return TRUE;
        }
    }
    return FALSE;
}

void CMapStringToPtr::RemoveAll() {
    if (m_pHashTable) {
        for (UINT i = 0; i < m_nHashTableSize; ++i) {
            for (CAssoc* pAssoc = m_pHashTable[i]; pAssoc;) {
                CAssoc* pNext = pAssoc->pNext;
                delete pAssoc;
                pAssoc = pNext;
            }
        }
    }
    delete[] m_pHashTable;
    m_pHashTable = nullptr;
    m_nCount = 0;
}

void CMapStringToPtr::GetNextAssoc(POSITION& rNextPosition, CString& rKey, void*& rValue) const {
    ASSERT(m_pHashTable != nullptr && rNextPosition != nullptr);
    CAssoc* pAssocRet = reinterpret_cast<CAssoc*>(rNextPosition);
    if (rNextPosition == BEFORE_START_POSITION) {
        pAssocRet = nullptr;
        for (UINT nBucket = 0; nBucket < m_nHashTableSize && !pAssocRet; ++nBucket) pAssocRet = m_pHashTable[nBucket];
        ASSERT(pAssocRet != nullptr);
    }
    CAssoc* pAssocNext = pAssocRet->pNext;
    for (UINT nBucket = pAssocRet->nHashValue + 1; !pAssocNext && nBucket < m_nHashTableSize; ++nBucket)
        pAssocNext = m_pHashTable[nBucket];
    rNextPosition = reinterpret_cast<POSITION>(pAssocNext);
    rKey = pAssocRet->key;
    rValue = pAssocRet->value;
}

void CMapStringToPtr::AssertValid() const {
    ASSERT(m_nHashTableSize > 0);
    ASSERT(m_nCount == 0 || m_pHashTable != nullptr);
}

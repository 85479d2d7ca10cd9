// SPDX-License-Identifier: MIT
#include "vidur20/chooser/ZICONEntry.h"

#include <cstring>

IMPLEMENT_DYNAMIC(ZICONEntry, CObject)

ZICONEntry::ZICONEntry(LPCSTR lpszText, int nIconID) : m_nIconID(0) { SetEntry(lpszText, nIconID); }

ZICONEntry::~ZICONEntry() = default;

void ZICONEntry::SetEntry(LPCSTR lpszText, int nIconID) {
    m_strText = lpszText ? lpszText : "";
    m_nIconID = nIconID;
}

int ZICONEntry::GetText(LPSTR lpszBuffer) const {
    if (!lpszBuffer) return 0;
    if (m_strText.IsEmpty()) {
        lpszBuffer[0] = '\0';
        return 0;
    }
    std::memcpy(lpszBuffer, static_cast<LPCSTR>(m_strText), static_cast<std::size_t>(m_strText.GetLength()) + 1);
    return m_strText.GetLength();
}

// SPDX-License-Identifier: MIT
// One item of the icon combo box: its text and the number of its icon group.
#pragma once

#include "platform/core/CObject.h"
#include "platform/core/CString.h"

class ZICONEntry : public CObject {
    DECLARE_DYNAMIC(ZICONEntry)
public:
    ZICONEntry(LPCSTR lpszText, int nIconID);
    ~ZICONEntry() override;

    void SetEntry(LPCSTR lpszText, int nIconID);
    int GetIconID() const { return m_nIconID; }
    // Copies the text with its terminating NUL into lpszBuffer and answers its length in
    // bytes; an empty text writes an empty string and answers 0. The buffer must hold it.
    int GetText(LPSTR lpszBuffer) const;
    const CString& Text() const { return m_strText; }

protected:
    CString m_strText; // at most 35 characters are ever drawn
    int m_nIconID; // only the low 16 bits name the icon
};

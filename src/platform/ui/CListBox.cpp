// SPDX-License-Identifier: MIT
#include "platform/ui/CListBox.h"

IMPLEMENT_DYNAMIC(CListBox, CWnd)

void CListBox::GetText(int nIndex, CString& rString) const {
    const int length = GetTextLen(nIndex);
    if (length < 0) {
        rString.Empty();
        return;
    }
    LPSTR buffer = rString.GetBuffer(length);
    const int copied = GetText(nIndex, buffer);
    rString.ReleaseBuffer(copied < 0 ? 0 : copied);
}

void CListBox::DeleteItem(LPDELETEITEMSTRUCT) {}

// SPDX-License-Identifier: MIT
#include "platform/ui/CDataExchange.h"

#include "platform/ui/CWnd.h"
#include "platform/ui/Win32Api.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (!pDX || !pDX->m_pDlgWnd || rControl.m_hWnd) return;
    rControl.SubclassWindow(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC));
}

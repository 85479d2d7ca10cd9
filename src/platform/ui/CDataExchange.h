// SPDX-License-Identifier: MIT
// The framework's data exchange: DoDataExchange binds controls to members (DDX_Control).
#pragma once

#include "platform/core/Win32Types.h"

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Attaches rControl to the dialog's control nIDC the first time; later calls change nothing.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

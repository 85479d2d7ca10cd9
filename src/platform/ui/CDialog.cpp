// SPDX-License-Identifier: MIT
#include "platform/ui/CDialog.h"

#include "platform/resources/ResourceChain.h"
#include "platform/resources/WindowStyles.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/qt/DialogBuilder.h"
#include "platform/ui/qt/DialogWidget.h"
#include "platform/ui/qt/ModalLoop.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_pParentWnd(pParentWnd), m_nIDTemplate(nIDTemplate) {}

CDialog::CDialog() = default;

CDialog::~CDialog() = default;

BOOL CDialog::CreateFromTemplate(UINT nIDTemplate, CWnd* pParentWnd, bool child) {
    if (m_hWnd) return FALSE;
    const DialogTemplate* dialog = ResourceChain::instance().findDialog(nIDTemplate);
    if (!dialog) return FALSE;
    DialogWidget* widget = ui_detail::buildDialog(*dialog, pParentWnd ? pParentWnd->m_hWnd : nullptr, child);
    if (!widget) return FALSE;
    Attach(widget);
    m_nIDTemplate = nIDTemplate;
    // WM_INITDIALOG answers whether the framework should give the first control the focus; a
    // page's focus is its sheet's (a tab clicked keeps it on the tabs).
    if (SendMessage(WM_INITDIALOG) && m_hWnd && !child) widget->focusFirstControl();
    return m_hWnd ? TRUE : FALSE;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    if (!CreateFromTemplate(nIDTemplate, pParentWnd, false)) return FALSE;
    if (m_hWnd->style_ & WS_VISIBLE) m_hWnd->setShown(true);
    return TRUE;
}

int CDialog::DoModal() {
    m_nModalResult = -1;
    ModalLoop modal;
    m_modal = &modal;
    if (!CreateFromTemplate(m_nIDTemplate, m_pParentWnd, false)) {
        m_modal = nullptr;
        return -1;
    }
    if (m_hWnd) modal.run(m_hWnd);
    m_modal = nullptr;
    // Nothing of the dialog is running any more, so its window can go at once.
    if (HWND__::isLive(m_hWnd)) m_hWnd->destroy(true);
    return m_nModalResult;
}

// As Win32's EndDialog, also for a modeless dialog: the window is hidden, not destroyed.
void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    if (m_modal) m_modal->exit(nResult);
    if (HWND__::isLive(m_hWnd)) m_hWnd->setShown(false);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_INITDIALOG) {
        *pResult = OnInitDialog();
        return TRUE;
    }
    // A modal dialog destroyed under its loop ends it, with -1 unless EndDialog came first.
    if (message == WM_DESTROY && m_modal && !m_modal->ended()) m_modal->exit(m_nModalResult);
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

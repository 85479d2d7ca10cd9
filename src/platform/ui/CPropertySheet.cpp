// SPDX-License-Identifier: MIT
#include "platform/ui/CPropertySheet.h"

#include "platform/resources/ResourceChain.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/qt/ModalLoop.h"
#include "platform/ui/qt/PropertySheetWidget.h"

IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

CPropertySheet::CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(pszCaption ? pszCaption : ""), m_pParentWnd(pParentWnd), m_active(static_cast<int>(iSelectPage)) {}

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_pParentWnd(pParentWnd), m_active(static_cast<int>(iSelectPage)) {
    AfxLoadString(nIDCaption, m_strCaption);
}

CPropertySheet::~CPropertySheet() = default;

void CPropertySheet::AddPage(CPropertyPage* pPage) {
    if (!pPage) return;
    pPage->m_pSheet = this;
    m_pages.push_back(pPage);
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const {
    return nPage >= 0 && nPage < GetPageCount() ? m_pages[static_cast<std::size_t>(nPage)] : nullptr;
}

// A page's window is made the first time the page is shown, as Win32 does.
BOOL CPropertySheet::ShowPage(int nPage) {
    CPropertyPage* page = GetPage(nPage);
    if (!page || !m_sheet) return FALSE;
    if (!page->m_hWnd) {
        if (!page->CreatePageWindow(this)) return FALSE;
        m_sheet->placePage(nPage, page->m_hWnd);
    }
    m_active = nPage;
    m_sheet->showTab(nPage);
    page->OnSetActive();
    return TRUE;
}

BOOL CPropertySheet::SetActivePage(int nPage) {
    if (!GetPage(nPage)) return FALSE;
    if (!m_sheet) {
        m_active = nPage;
        return TRUE;
    }
    if (CPropertyPage* current = GetActivePage(); current && current->m_hWnd && !current->OnKillActive()) return FALSE;
    return ShowPage(nPage);
}

int CPropertySheet::DoModal() {
    if (m_pages.empty() || m_hWnd) return -1;
    std::vector<PropertySheetWidget::Page> pages;
    for (CPropertyPage* page : m_pages) {
        const DialogTemplate* dialog = ResourceChain::instance().findDialog(page->m_nIDTemplate);
        if (!dialog) return -1;
        pages.push_back({page->GetCaption(), dialog});
    }
    // A tab the user picks: the page being left may refuse, and its tab stays.
    PropertySheetWidget* sheet = PropertySheetWidget::create(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr,
                                                             m_strCaption, pages, [this](int index) {
                                                                 if (m_sheet && !SetActivePage(index))
                                                                     m_sheet->showTab(m_active);
                                                             });
    if (!sheet) return -1;
    m_sheet = sheet;
    Attach(sheet);
    if ((m_psh.dwFlags & PSH_USEHICON) && m_psh.hIcon) {
        SetIcon(m_psh.hIcon, TRUE);
        SetIcon(m_psh.hIcon, FALSE);
    }

    ModalLoop modal;
    m_modal = &modal;
    m_nModalResult = -1;
    if (!ShowPage(GetPage(m_active) ? m_active : 0)) EndDialog(-1);
    if (m_hWnd) modal.run(m_hWnd);
    m_modal = nullptr;
    m_sheet = nullptr;
    if (HWND__::isLive(m_hWnd)) m_hWnd->destroy(true);
    return m_nModalResult;
}

void CPropertySheet::EndDialog(int nEndID) {
    m_nModalResult = nEndID;
    if (!m_modal) return;
    m_modal->exit(nEndID);
    if (HWND__::isLive(m_hWnd)) m_hWnd->setShown(false);
}

void CPropertySheet::PageModified(BOOL bChanged) {
    if (m_sheet) m_sheet->enableApply(bChanged != FALSE);
}

void CPropertySheet::OnSheetOK() {
    if (CPropertyPage* active = GetActivePage(); active && active->m_hWnd && !active->OnKillActive()) return;
    for (CPropertyPage* page : m_pages)
        if (page->m_hWnd) page->OnOK();
    EndDialog(IDOK);
}

void CPropertySheet::OnSheetCancel() {
    for (CPropertyPage* page : m_pages)
        if (page->m_hWnd) page->OnCancel();
    EndDialog(IDCANCEL);
}

void CPropertySheet::OnSheetApply() {
    if (CPropertyPage* active = GetActivePage(); active && active->m_hWnd && !active->OnKillActive()) return;
    for (CPropertyPage* page : m_pages)
        if (page->m_hWnd) page->OnApply();
    PageModified(FALSE);
}

BOOL CPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (CWnd::OnCommand(wParam, lParam)) return TRUE;
    switch (LOWORD(static_cast<DWORD>(wParam))) {
    case IDOK: OnSheetOK(); return TRUE;
    case IDCANCEL: OnSheetCancel(); return TRUE;
    case ID_APPLY_NOW: OnSheetApply(); return TRUE;
    default: return FALSE;
    }
}

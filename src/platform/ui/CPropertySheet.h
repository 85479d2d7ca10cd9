// SPDX-License-Identifier: MIT
// The framework's property sheet: a modal dialog with one tab per page, in the order the
// pages were added, and OK, Cancel and Apply buttons. OK tells every created page OnOK and
// ends with IDOK; Cancel (also Escape and the close box) tells them OnCancel and ends with
// IDCANCEL; Apply, enabled by a page's SetModified, applies without closing.
#pragma once

#include <vector>

#include "platform/ui/CPropertyPage.h"

class ModalLoop;
class PropertySheetWidget;

constexpr UINT ID_APPLY_NOW = 0x3021;

// The part of the sheet's header the layer reads: the icon, used with PSH_USEHICON.
struct PROPSHEETHEADER {
    DWORD dwFlags = 0;
    HICON hIcon = nullptr;
};
constexpr DWORD PSH_USEHICON = 0x0002;

class CPropertySheet : public CWnd {
    DECLARE_DYNAMIC(CPropertySheet)
public:
    explicit CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    explicit CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    ~CPropertySheet() override;

    void AddPage(CPropertyPage* pPage);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int nPage) const;
    int GetActiveIndex() const { return m_active; }
    CPropertyPage* GetActivePage() const { return GetPage(m_active); }
    BOOL SetActivePage(int nPage);
    void SetTitle(LPCSTR lpszText) { m_strCaption = lpszText; }

    // -1 when there is no page, a page's template is missing or no window can be made.
    virtual int DoModal();
    void EndDialog(int nEndID);

    CString m_strCaption;
    PROPSHEETHEADER m_psh;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    friend class CPropertyPage;
    void PageModified(BOOL bChanged);
    BOOL ShowPage(int nPage);
    void OnSheetOK();
    void OnSheetCancel();
    void OnSheetApply();

    std::vector<CPropertyPage*> m_pages;
    CWnd* m_pParentWnd;
    int m_active;
    ModalLoop* m_modal = nullptr;
    int m_nModalResult = -1;
    PropertySheetWidget* m_sheet = nullptr; // while DoModal runs
};

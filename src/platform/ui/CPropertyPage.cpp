// SPDX-License-Identifier: MIT
#include "platform/ui/CPropertyPage.h"

#include "text/MacRoman.h"

#include "platform/resources/ResourceChain.h"
#include "platform/ui/CPropertySheet.h"
#include "platform/ui/Win32Api.h"

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CDialog(nIDTemplate), m_nIDCaption(nIDCaption) {}

BOOL CPropertyPage::OnSetActive() { return TRUE; }

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

void CPropertyPage::OnOK() {}

// Also what a WM_CLOSE sent to the page comes to: the dialog manager turns it into IDCANCEL
// for the page, which closes nothing.
void CPropertyPage::OnCancel() {}

BOOL CPropertyPage::OnApply() {
    OnOK();
    return TRUE;
}

void CPropertyPage::SetModified(BOOL bChanged) {
    if (m_pSheet) m_pSheet->PageModified(bChanged);
}

CString CPropertyPage::GetCaption() const {
    if (m_nIDCaption) {
        CString caption;
        if (AfxLoadString(m_nIDCaption, caption)) return caption;
    }
    const DialogTemplate* dialog = ResourceChain::instance().findDialog(m_nIDTemplate);
    if (!dialog || !dialog->caption) return CString();
    const std::string bytes = vidur::text::utf8ToMacRoman(dialog->caption).macRoman;
    return CString(bytes.data(), static_cast<int>(bytes.size()));
}

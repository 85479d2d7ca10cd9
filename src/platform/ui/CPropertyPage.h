// SPDX-License-Identifier: MIT
// The framework's property page: a child dialog from a template, whose caption (the
// template's) is its tab title. The sheet creates a page's window when the page is first
// shown. OK and Cancel of a page end nothing: the sheet ends, and tells its pages.
#pragma once

#include "platform/ui/CDialog.h"

class CPropertySheet;

class CPropertyPage : public CDialog {
    DECLARE_DYNAMIC(CPropertyPage)
public:
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);

    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive(); // FALSE keeps the page shown
    void OnOK() override;
    void OnCancel() override;
    virtual BOOL OnApply();
    void SetModified(BOOL bChanged = TRUE);

    // The tab title: the caption string when one was given, else the template's caption.
    CString GetCaption() const;

private:
    friend class CPropertySheet;
    BOOL CreatePageWindow(CWnd* pSheet) { return CreateFromTemplate(m_nIDTemplate, pSheet, true); }
    UINT m_nIDCaption;
    CPropertySheet* m_pSheet = nullptr;
};

// SPDX-License-Identifier: MIT
// The framework's dialog, built from a dialog template by number. Modal: DoModal runs it and
// answers the code given to EndDialog (IDOK, IDCANCEL), or -1 when the template is missing
// or the window cannot be created. Modeless: Create, and DestroyWindow when done.
#pragma once

#include "platform/ui/CWnd.h"

class ModalLoop;

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    CDialog();
    ~CDialog() override;

    virtual int DoModal();
    using CWnd::Create;
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    UINT m_nIDHelp = 0;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // Creates the window from the template as a top-level dialog or, for a property page,
    // as a child of the given parent window; then sends WM_INITDIALOG.
    BOOL CreateFromTemplate(UINT nIDTemplate, CWnd* pParentWnd, bool child);
    // The parent handed to the constructor.
    CWnd* m_pParentWnd = nullptr;
    UINT m_nIDTemplate = 0;

    DECLARE_MESSAGE_MAP()

private:
    ModalLoop* m_modal = nullptr;
    int m_nModalResult = -1;
};

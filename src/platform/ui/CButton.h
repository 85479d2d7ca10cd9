// SPDX-License-Identifier: MIT
// The framework's button control (push buttons, check boxes, radio buttons and group boxes).
#pragma once

#include "platform/ui/CWnd.h"

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;

    // BST_CHECKED or BST_UNCHECKED; a push button is never checked.
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
};

// SPDX-License-Identifier: MIT
// The framework's button control (push buttons and group boxes).
#pragma once

#include "platform/ui/CWnd.h"

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;
};

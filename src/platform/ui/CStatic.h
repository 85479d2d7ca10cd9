// SPDX-License-Identifier: MIT
// The framework's static text control.
#pragma once

#include "platform/ui/CWnd.h"

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    CStatic() = default;
};

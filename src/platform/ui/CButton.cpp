// SPDX-License-Identifier: MIT
#include "platform/ui/CButton.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)

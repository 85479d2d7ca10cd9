// SPDX-License-Identifier: MIT
#include "platform/ui/CStatic.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)

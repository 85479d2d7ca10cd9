// SPDX-License-Identifier: MIT
// A list of icon entries (allocation block size 10). Nothing in the system fills one; it is
// kept for hosts that build entry lists of their own.
#pragma once

#include "platform/core/CObList.h"

class ZICONList : public CObList {
    DECLARE_DYNAMIC(ZICONList)
public:
    ZICONList() : CObList(10) {}
};

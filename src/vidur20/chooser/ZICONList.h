// SPDX-License-Identifier: MIT
// A list of icon entries (allocation block size 10), with its run-time class "ZICONList".
// Nothing in the system fills one; it is neither installed nor exported, so hosts never
// see it.
#pragma once

#include "platform/core/CObList.h"

class ZICONList : public CObList {
    DECLARE_DYNAMIC(ZICONList)
public:
    ZICONList() : CObList(10) {}
};

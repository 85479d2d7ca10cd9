// SPDX-License-Identifier: MIT
#include "vidur20/chooser/ZICONList.h"

IMPLEMENT_DYNAMIC(ZICONList, CObList)

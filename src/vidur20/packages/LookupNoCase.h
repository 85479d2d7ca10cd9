// SPDX-License-Identifier: MIT
// Finds a value in a string-keyed map by a key compared without regard to letter case.
#pragma once

#include "platform/core/CMapStringToPtr.h"

// Walks the map in its own order and stores the value of the first key equal to name under
// _mbsicmp; returns 1 then, else 0 with value left as it was.
int LookupNoCase(const CMapStringToPtr& map, LPCSTR name, void*& value);

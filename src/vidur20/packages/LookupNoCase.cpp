// SPDX-License-Identifier: MIT
#include "vidur20/packages/LookupNoCase.h"

#include "platform/core/Mbstring.h"

int LookupNoCase(const CMapStringToPtr& map, LPCSTR name, void*& value) {
    POSITION position = map.GetStartPosition();
    while (position != nullptr) {
        CString key;
        void* candidate = nullptr;
        map.GetNextAssoc(position, key, candidate);
        if (_mbsicmp(key, name) == 0) {
            value = candidate;
            return 1;
        }
    }
    return 0;
}

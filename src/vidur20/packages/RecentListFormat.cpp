#include "vidur20/packages/RecentListFormat.h"

#include "platform/core/PrivateProfile.h"

namespace recentlist {

CString SectionName(const CString& category) {
    CString section;
    section.Format("Recent %s List", static_cast<LPCSTR>(category));
    return section;
}

CString KeyName(const CString& category, int index) {
    CString key;
    key.Format("%s%d", static_cast<LPCSTR>(category), index);
    return key;
}

CString EntryValue(const _NBPTuple& entry) {
    CString value;
    value.Format("%s; %u %u %u, %.33s:%.33s@%.33s", "AppleTalk PAP", static_cast<unsigned>(entry.address.network),
                 static_cast<unsigned>(entry.address.nodeID), static_cast<unsigned>(entry.address.socket),
                 entry.entity.object, entry.entity.type, entry.entity.zone);
    return value;
}

bool ReadEntry(const CString& category, int index, _NBPTuple& out) {
    char value[kReadBufferSize];
    const DWORD length = GetPrivateProfileStringA(SectionName(category), KeyName(category, index), "", value,
                                                  sizeof value, kProfileFile);
    if (length == 0 || value[0] == '\0') return false;
    return NBPCrackProfileString(value, &out) == 0;
}

} // namespace recentlist

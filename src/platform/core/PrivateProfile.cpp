// SPDX-License-Identifier: MIT
#include "platform/core/PrivateProfile.h"

#include "text/ProfileStorage.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using vidur::text::ProfileFile;
using vidur::text::ProfileStorage;

namespace {

DWORD copyValue(std::string_view value, LPSTR buffer, DWORD size) {
    const std::size_t n = std::min<std::size_t>(value.size(), size - 1);
    if (n > 0) std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

// Names each followed by a zero, then one more zero. Windows cuts a list that does not
// fit so that it still ends in two zeros, and answers nSize - 2.
DWORD copyList(const std::vector<std::string>& names, LPSTR buffer, DWORD size) {
    std::string flat;
    for (const std::string& name : names) {
        flat += name;
        flat += '\0';
    }
    if (flat.size() + 1 <= size) {
        if (!flat.empty()) std::memcpy(buffer, flat.data(), flat.size());
        buffer[flat.size()] = '\0';
        if (flat.empty() && size >= 2) buffer[1] = '\0';
        return static_cast<DWORD>(flat.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, flat.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

std::string_view withoutTrailingSpaces(LPCSTR text) {
    std::string_view s = text ? std::string_view(text) : std::string_view();
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName) {
    if (!lpReturnedString || nSize == 0) return 0;
    const auto path = ProfileStorage::resolvePath(lpFileName ? lpFileName : "");
    const ProfileFile file = path ? ProfileStorage::read(*path) : ProfileFile::parse({});
    if (!lpAppName) return copyList(file.getSectionNames(), lpReturnedString, nSize);
    if (!lpKeyName) return copyList(file.getKeyNames(lpAppName), lpReturnedString, nSize);
    const auto value = file.getValue(lpAppName, lpKeyName);
    return copyValue(value ? std::string_view(*value) : withoutTrailingSpaces(lpDefault), lpReturnedString, nSize);
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) {
    if (!lpAppName) return (!lpKeyName && !lpString) ? TRUE : FALSE; // all null: Windows' "flush"
    if (!ProfileFile::isWritableSectionName(lpAppName)) return FALSE;
    if (lpKeyName && !ProfileFile::isWritableKeyName(lpKeyName)) return FALSE;
    if (lpString && !ProfileFile::isWritableValue(lpString)) return FALSE;
    const auto path = ProfileStorage::resolvePath(lpFileName ? lpFileName : "");
    if (!path) return FALSE;

    const std::string section(lpAppName);
    const std::string key(lpKeyName ? lpKeyName : "");
    const std::string value(lpString ? lpString : "");
    const bool bare = std::string_view(lpFileName).find('/') == std::string_view::npos;
    const bool ok = ProfileStorage::update(
        *path,
        [&](ProfileFile& file) {
            if (!lpKeyName) return file.removeSection(section);
            if (!lpString) return file.removeKey(section, key);
            return file.setValue(section, key, value);
        },
        bare);
    return ok ? TRUE : FALSE;
}

// SPDX-License-Identifier: MIT
#include "vidur20/packages/RecentListFormat.h"

#include <cstring>
#include <string_view>

#include "platform/core/PrivateProfile.h"
#include "text/ProfileFile.h"
#include "text/ProfileStorage.h"

using vidur::text::ProfileFile;
using vidur::text::ProfileStorage;

namespace recentlist {

CString sectionName(const CString& category) {
    CString section;
    section.Format("Recent %s List", static_cast<LPCSTR>(category));
    return section;
}

CString keyName(const CString& category, int index) {
    CString key;
    key.Format("%s%d", static_cast<LPCSTR>(category), index);
    return key;
}

CString entryValue(const _NBPTuple& entry) {
    CString value;
    value.Format("%s; %u %u %u, %.33s:%.33s@%.33s", "AppleTalk PAP", static_cast<unsigned>(entry.address.network),
                 static_cast<unsigned>(entry.address.nodeID), static_cast<unsigned>(entry.address.socket),
                 entry.entity.object, entry.entity.type, entry.entity.zone);
    return value;
}

namespace {

// A name as EntryValue writes it: cut to the 33 characters a field holds.
std::string_view field(const char (&name)[NBP_NAME_FIELD_SIZE]) {
    return {name, ::strnlen(name, NBP_NAME_FIELD_SIZE - 1)};
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

} // namespace

std::optional<_NBPTuple> readBackForm(const _NBPTuple& entry) {
    const CString value = entryValue(entry);
    if (!ProfileFile::isWritableValue(value.View())) return std::nullopt;
    _NBPTuple back{};
    if (NBPCrackProfileString(value, &back) != 0) return std::nullopt;
    return back;
}

std::optional<CString> storedValue(const _NBPTuple& entry) {
    const auto back = readBackForm(entry);
    if (!back || field(back->entity.object) != field(entry.entity.object) ||
        field(back->entity.type) != field(entry.entity.type) || field(back->entity.zone) != field(entry.entity.zone))
        return std::nullopt;
    const CString value = entryValue(entry);
    // The value starts with the tag, so only its end can be trimmed away.
    if (!value.IsEmpty() && isBlank(value.View().back())) return CString("\"") + value + CString("\"");
    return value;
}

namespace {

// Entry index as every reader takes it: at most 255 characters of the value, as the Windows
// read into a 256-byte buffer gives, and only what NBPCrackProfileString accepts.
std::optional<_NBPTuple> entryIn(const ProfileFile& file, const CString& category, int index) {
    auto value = file.getValue(sectionName(category).View(), keyName(category, index).View());
    if (!value) return std::nullopt;
    if (value->size() > kReadBufferSize - 1) value->resize(kReadBufferSize - 1);
    if (value->empty() || value->front() == '\0') return std::nullopt;
    _NBPTuple entry{};
    if (NBPCrackProfileString(value->c_str(), &entry) != 0) return std::nullopt;
    return entry;
}

std::vector<_NBPTuple> listIn(const ProfileFile& file, const CString& category) {
    std::vector<_NBPTuple> list;
    for (int index = 1; index <= kRecentListReadLimit; ++index) {
        auto entry = entryIn(file, category, index);
        if (!entry) break;
        list.push_back(*entry);
    }
    return list;
}

} // namespace

WriteResult recordChoice(const CString& category, const _NBPTuple& chosen, const std::function<void()>& underLock) {
    const auto chosenValue = storedValue(chosen);
    const auto readBack = readBackForm(chosen);
    if (!chosenValue || !readBack) return WriteResult::CannotStore;
    const auto path = ProfileStorage::resolvePath(kProfileFile);
    if (!path) return WriteResult::WriteFailed;
    const CString section = sectionName(category);
    const bool written = ProfileStorage::update(
        *path,
        [&](ProfileFile& file) {
            std::vector<CString> values{*chosenValue};
            for (const _NBPTuple& earlier : listIn(file, category)) {
                if (NBPCompareEntity(&*readBack, &earlier, 0) == 0) continue;
                // An entry read back always formats again; one that would not (a hand-edited
                // name with a lone carriage return) is dropped rather than refuse the choice.
                if (auto value = storedValue(earlier)) values.push_back(*value);
            }
            bool changed = false;
            for (std::size_t i = 0; i < values.size(); ++i)
                changed = file.setValue(section.View(), keyName(category, static_cast<int>(i + 1)).View(),
                                        values[i].View()) ||
                          changed;
            return changed;
        },
        /*anySpelling=*/true, underLock);
    return written ? WriteResult::Written : WriteResult::WriteFailed;
}

bool readEntry(const CString& category, int index, _NBPTuple& out) {
    char value[kReadBufferSize];
    const DWORD length = GetPrivateProfileStringA(sectionName(category), keyName(category, index), "", value,
                                                  sizeof value, kProfileFile);
    if (length == 0 || value[0] == '\0') return false;
    return NBPCrackProfileString(value, &out) == 0;
}

std::vector<_NBPTuple> readList(const CString& category) {
    const auto path = ProfileStorage::resolvePath(kProfileFile);
    if (!path) return {};
    // One reading: a writer replaces the file whole (rename), so this sees one version of it.
    return listIn(ProfileStorage::read(*path), category);
}

} // namespace recentlist

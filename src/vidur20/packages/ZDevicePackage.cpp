// SPDX-License-Identifier: MIT
#include "vidur20/packages/ZDevicePackage.h"

#include <string_view>

#include "platform/core/Mbstring.h"
#include "platform/core/PrivateProfile.h"
#include "tarvlib/NameFields.h"
#include "vidur20/packages/RecentListFormat.h"

IMPLEMENT_DYNAMIC(ZDevicePackage, CObject)

namespace {

// What an invalid package hands out: a string that stays valid after the call.
const CString& emptyString() {
    static const CString empty;
    return empty;
}

} // namespace

// The base's placeholders show only while no kind has initialised the package, and the
// accessors hide them then; "Unknown" for the NBP type like the others.
ZDevicePackage::ZDevicePackage()
    : m_bValid(0),
      m_strTypeName("Unknown"),
      m_strCategory("Unknown"),
      m_strNBPType("Unknown"),
      m_strPrompt("Choose a device:"),
      m_nIconID(0),
      m_bHaveSaved(0),
      m_savedSelection{} {}

ZDevicePackage::~ZDevicePackage() = default;

int ZDevicePackage::IsValid() const { return m_bValid; }

const CString& ZDevicePackage::GetCategory() const { return m_bValid ? m_strCategory : emptyString(); }
const CString& ZDevicePackage::GetNBPType() const { return m_bValid ? m_strNBPType : emptyString(); }
const CString& ZDevicePackage::GetTypeName() const { return m_bValid ? m_strTypeName : emptyString(); }
const CString& ZDevicePackage::GetPrompt() const { return m_bValid ? m_strPrompt : emptyString(); }
int ZDevicePackage::GetIconID() const { return m_bValid ? m_nIconID : 0; }

_NBPTuple* ZDevicePackage::GetSavedSelection() { return (m_bValid && m_bHaveSaved) ? &m_savedSelection : nullptr; }

int ZDevicePackage::ReadRecentEntry(_NBPTuple* out, int index) {
    if (out == nullptr || index <= 0) return 0;
    return recentlist::readEntry(m_strCategory, index, *out) ? 1 : 0;
}

int ZDevicePackage::WriteRecentEntry(const _NBPTuple* entry, int index) {
    const CString section = recentlist::sectionName(m_strCategory);
    const CString key = recentlist::keyName(m_strCategory, index);
    if (entry == nullptr) return WritePrivateProfileStringA(section, key, nullptr, recentlist::kProfileFile);
    // A name that would read back as another device is not stored at all.
    const auto value = recentlist::storedValue(*entry);
    if (!value) return 0;
    return WritePrivateProfileStringA(section, key, *value, recentlist::kProfileFile);
}

int ZDevicePackage::InitializeKind(const Kind& kind, const char* nbpType) {
    m_strNBPType = nbpType != nullptr ? nbpType : kind.nbpType;
    m_strTypeName = kind.nbpType;
    m_strCategory = kind.category;
    m_nIconID = kind.iconID;
    m_strPrompt = kind.prompt;
    m_bValid = 1;
    if (ReadRecentEntry(&m_savedSelection, 1)) m_bHaveSaved = 1;
    return m_bValid;
}

bool ZDevicePackage::AcceptsChoice(const _NBPTuple* chosen) const {
    if (chosen == nullptr) return false;
    // Through the name-field helper: the record comes from outside and need not be terminated.
    const std::string_view type = appletalk::api::fieldText(chosen->entity.type);
    if (_mbsicmp(CString(type.data(), static_cast<int>(type.size())), m_strNBPType) != 0) return false;
    return chosen->entity.object[0] != '\0';
}

int ZDevicePackage::SelectDeviceOfKind(const _NBPTuple* chosen, bool setsDefaultPrinter) {
    if (!AcceptsChoice(chosen)) return 0;
    m_lastRecord = RecordResult::NotRecorded;

    // The default printer is set under the recent list's lock, so that of two choices made at
    // once the later one is both the default printer and entry 1, and after the list is
    // written, so that it never names a printer the list lacks. Every chosen printer becomes
    // the default, also when its name cannot be kept in the list or the list cannot be written.
    bool defaultSet = false;
    const auto setDefault = [&] {
        if (setsDefaultPrinter) PAPSetDefaultPrinter(chosen);
        defaultSet = true;
    };
    // All reading is done before anything is written, under the one lock.
    switch (recentlist::recordChoice(m_strCategory, *chosen, setDefault)) {
    case recentlist::WriteResult::Written: m_lastRecord = RecordResult::Recorded; break;
    case recentlist::WriteResult::CannotStore: m_lastRecord = RecordResult::CannotStore; break;
    case recentlist::WriteResult::WriteFailed: m_lastRecord = RecordResult::WriteFailed; break;
    }
    if (!defaultSet) setDefault();
    return 1;
}

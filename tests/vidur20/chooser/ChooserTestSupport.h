// SPDX-License-Identifier: MIT
// What the Chooser's tests share: the library's resources in the chain, the scripted fake of
// the AppleTalk library, a private profile folder, recorded message boxes, and a way to run
// the dialog modally while a script acts on it as the user and the timer would.
#pragma once

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "FakeAppleTalk.h"
#include "UiTestSupport.h"
#include "platform/resources/ResourceChain.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Win32Api.h"
#include "support/TempProfileDir.h"
#include "vidur20/chooser/ZChooserDialog.h"
#include "vidur20/res/ResourceIds.h"
#include "vidur20/res/Vidur20Resources.h"

namespace choosertest {

inline _NBPTuple Device(const char* object, const char* type, uint16_t network, uint8_t node, uint8_t socket,
                        const char* zone = "") {
    _NBPTuple t{};
    std::strncpy(t.entity.object, object, NBP_NAME_FIELD_SIZE - 1);
    std::strncpy(t.entity.type, type, NBP_NAME_FIELD_SIZE - 1);
    std::strncpy(t.entity.zone, zone, NBP_NAME_FIELD_SIZE - 1);
    t.address = {network, node, socket};
    t.enumerator = 7; // the dialog hands devices on with enumerator 0
    return t;
}

// One zone enumeration and one look-up as the fake will answer them.
inline FakeZoneEnum ZoneScript(std::vector<std::string> zones, std::vector<int> statuses = {ENUM_COMPLETE},
                               int openResult = 0) {
    FakeZoneEnum script;
    script.openResult = openResult;
    script.statuses = std::move(statuses);
    script.zones = std::move(zones);
    return script;
}

inline FakeLookup LookupScript(std::vector<int> statuses, std::vector<_NBPTuple> found = {}, int openResult = 0) {
    FakeLookup script;
    script.openResult = openResult;
    script.statuses = std::move(statuses);
    script.found = std::move(found);
    return script;
}

// What the user sees of the controls, and the cursor over the dialog.
struct ControlStates {
    bool type, zone, list, ok, stop, wait;
    bool operator==(const ControlStates&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ControlStates& s) {
    return out << "{type " << s.type << ", zone " << s.zone << ", list " << s.list << ", ok " << s.ok << ", stop "
               << s.stop << ", wait " << s.wait << "}";
}

// The Chooser with its controls reachable as a user finds them, by id.
class Chooser : public ZChooserDialog {
public:
    using ZChooserDialog::ParseDeviceItem;
    using ZChooserDialog::ZChooserDialog;

    CComboBox& TypeBox() { return *static_cast<CComboBox*>(GetDlgItem(IDC_TYPE_BOX)); }
    CComboBox& ZoneBox() { return *static_cast<CComboBox*>(GetDlgItem(IDC_ZONE_BOX)); }
    CListBox& DeviceList() { return *static_cast<CListBox*>(GetDlgItem(IDC_DEVICE_LIST)); }

    void Tick() { UiDriver::FireTimer(*this, kTimerID); }

    ControlStates States() {
        auto enabled = [this](UINT id) { return GetDlgItem(static_cast<int>(id))->IsWindowEnabled() != FALSE; };
        return {enabled(IDC_TYPE_BOX), enabled(IDC_ZONE_BOX),    enabled(IDC_DEVICE_LIST),
                enabled(IDOK),         enabled(IDC_STOP_LOOKUP), UiDriver::IsWaitCursorShown(*this)};
    }
    std::vector<std::string> Zones() {
        std::vector<std::string> out;
        for (int i = 0; i < ZoneBox().GetCount(); ++i) {
            CString text;
            ZoneBox().GetLBText(i, text);
            out.emplace_back(text.View());
        }
        return out;
    }
    std::string SelectedZone() {
        const int index = ZoneBox().GetCurSel();
        if (index < 0) return "(none)";
        CString text;
        ZoneBox().GetLBText(index, text);
        return std::string(text.View());
    }
    std::vector<std::string> Items() {
        std::vector<std::string> out;
        for (int i = 0; i < DeviceList().GetCount(); ++i) {
            CString text;
            DeviceList().GetText(i, text);
            out.emplace_back(text.View());
        }
        return out;
    }
    std::vector<std::string> Types() {
        std::vector<std::string> out;
        char buffer[80];
        auto& box = static_cast<ZIconComboBox&>(TypeBox());
        for (int i = 0; i < box.GetCount(); ++i) {
            box.GetItemText(i, buffer);
            out.emplace_back(buffer);
        }
        return out;
    }
    std::string Prompt() {
        CString text;
        GetDlgItem(IDC_DEVICE_PROMPT)->GetWindowText(text);
        return std::string(text.View());
    }
};

class ChooserTest : public ::testing::Test {
protected:
    ChooserTest() {
        fake.reset();
        ResourceChain::instance().addModule(Vidur20ResourceModule());
        ResourceChain::instance().setLanguageOverride(kLangEnglishUS);
    }
    ~ChooserTest() override {
        fake.reset();
        ResourceChain::instance().setLanguageOverride(std::nullopt);
    }

    // Runs the dialog modally; the script acts from inside its loop. A dialog the script
    // leaves open is cancelled, so no test ever waits.
    int Run(Chooser& chooser, const std::function<void(Chooser&)>& script) {
        UiDriver::Post([&] {
            script(chooser);
            if (chooser.IsWindowVisible()) UiDriver::ClickButton(chooser, IDCANCEL);
        });
        return chooser.DoModal();
    }

    // A network whose zone list completes at the first tick and whose look-up completes at
    // the next, finding these devices; the node lives in "Sales".
    void ScriptNetwork(std::vector<_NBPTuple> found, std::vector<std::string> zones = {"Engineering", "Sales"}) {
        fake.scriptZoneEnum(ZoneScript(std::move(zones), {ENUM_COMPLETE}));
        fake.setMyZone(0, "Sales");
        fake.scriptLookup(LookupScript({ENUM_COMPLETE}, std::move(found)));
    }

    static std::string Entity(const _NBPEntityName& name) {
        return std::string(name.object) + ":" + name.type + "@" + name.zone;
    }
    std::string LookupEntity(std::size_t index) {
        const auto lookups = fake.lookups();
        return index < lookups.size() ? Entity(lookups[index].name) : "(no look-up)";
    }

    FakeAppleTalk& fake = FakeAppleTalk::instance();
    TempProfileDir profile;
    RecordingMessageBoxes boxes;
    ScopedMessageBoxes scopedBoxes{boxes};
};

} // namespace choosertest

// SPDX-License-Identifier: MIT
// HVRDeviceChooser as a host calls it: what reaches the host's record, and when.
#include <cstring>
#include <filesystem>

#include "EntryPointTestSupport.h"
#include "vidur20/chooser/ZChooserDialog.h"
#include "vidur20/module/HVREntryPoints.h"
#include "vidur20/module/HVREntryPointsC.h"
#include "vidur20/res/ResourceIds.h"
#include "vidur20/res/Vidur20Resources.h"

namespace {

using namespace moduletest;

_NBPTuple Printer(const char* object, uint16_t network, uint8_t node, uint8_t socket) {
    _NBPTuple t{};
    std::strncpy(t.entity.object, object, NBP_NAME_FIELD_SIZE - 1);
    std::strncpy(t.entity.type, "LaserWriter", NBP_NAME_FIELD_SIZE - 1);
    t.address = {network, node, socket};
    return t;
}

// A record the host filled with a pattern, so that any byte written shows.
_NBPTuple PatternedTuple() {
    _NBPTuple t;
    std::memset(&t, 0xA5, sizeof t);
    return t;
}

class ChooserEntryPointTest : public EntryPointTest {
protected:
    // Zones at the first tick, "Sales" the node's own, the look-up done at the second.
    void ScriptNetwork() {
        FakeZoneEnum zones;
        zones.zones = {"Engineering", "Sales"};
        fake.scriptZoneEnum(zones);
        fake.setMyZone(0, "Sales");
        fake.setPostScriptType("LaserWriter", 1);
        FakeLookup lookup;
        lookup.found = {Printer("Front Desk", 12, 34, 129), Printer("Annex", 12, 40, 130)};
        fake.scriptLookup(lookup);
    }
    // Runs the look-up to its end and selects the device at index.
    static void FindAndSelect(CWnd& window, int index) {
        UiDriver::FireTimer(window, ZChooserDialog::kTimerID); // zones
        UiDriver::FireTimer(window, ZChooserDialog::kTimerID); // look-up
        UiDriver::ClickListItem(*window.GetDlgItem(IDC_DEVICE_LIST), index);
    }
};

TEST_F(ChooserEntryPointTest, CancelAnswersTwoAndLeavesTheHostsRecordAsItWas) {
    ScriptNetwork();
    observer.onOpen = [](CWnd& window, HVRWindowKind) {
        FindAndSelect(window, 0);
        UiDriver::ClickButton(window, IDCANCEL);
    };
    _NBPTuple tuple = PatternedTuple();
    const _NBPTuple before = tuple;

    EXPECT_EQ(HVRDeviceChooser(&tuple, 3, nullptr), IDCANCEL);

    EXPECT_EQ(std::memcmp(&tuple, &before, sizeof tuple), 0);
    EXPECT_TRUE(fake.setDefaultPrinterCalls().empty()) << "a cancelled choice reached its package";
}

TEST_F(ChooserEntryPointTest, OkCopiesTheChosenTupleWholeIntoTheHostsRecord) {
    ScriptNetwork();
    _NBPTuple chosenByDialog{};
    observer.onOpen = [](CWnd& window, HVRWindowKind) {
        FindAndSelect(window, 1); // sorted: "Annex", "Front Desk"
        UiDriver::ClickButton(window, IDOK);
    };
    observer.onClose = [&](CWnd& window, HVRWindowKind) {
        chosenByDialog = static_cast<ZChooserDialog&>(window).GetChosenTuple();
    };
    _NBPTuple tuple = PatternedTuple();

    EXPECT_EQ(HVRDeviceChooser(&tuple, 3, nullptr), IDOK);

    EXPECT_EQ(std::memcmp(&tuple, &chosenByDialog, sizeof tuple), 0) << "all 112 bytes, padding included";
    EXPECT_STREQ(tuple.entity.object, "Front Desk");
    EXPECT_STREQ(tuple.entity.type, "LaserWriter");
    EXPECT_STREQ(tuple.entity.zone, "Sales");
    EXPECT_EQ(tuple.address.network, 12);
    EXPECT_EQ(tuple.address.nodeID, 34);
    EXPECT_EQ(tuple.address.socket, 129);
    EXPECT_EQ(fake.setDefaultPrinterCalls().size(), 1u) << "the printer became the default";
}

TEST_F(ChooserEntryPointTest, AFolderInPlaceOfTheRecentDevicesFileLeavesTheHostRunning) {
    // The file exists and every read of it fails: the Chooser works as without it.
    std::filesystem::create_directory(profile.path() / "Halvora.INI");
    ScriptNetwork();
    observer.onOpen = [](CWnd& window, HVRWindowKind) {
        FindAndSelect(window, 0);
        UiDriver::ClickButton(window, IDOK);
    };
    _NBPTuple tuple = PatternedTuple();
    EXPECT_EQ(HVRDeviceChooser(&tuple, 3, nullptr), IDOK);
    EXPECT_STREQ(tuple.entity.object, "Annex");
    EXPECT_TRUE(std::filesystem::is_directory(profile.path() / "Halvora.INI"));
}

TEST_F(ChooserEntryPointTest, OkWithoutARecordToFillStillEndsTheDialog) {
    ScriptNetwork();
    observer.onOpen = [](CWnd& window, HVRWindowKind) {
        FindAndSelect(window, 0);
        UiDriver::ClickButton(window, IDOK);
    };
    EXPECT_EQ(HVRDeviceChooser(nullptr, 3, nullptr), IDOK);
}

TEST_F(ChooserEntryPointTest, AMissingTemplateAnswersMinusOneAndWritesNothing) {
    ResourceChain::instance().removeModule(Vidur20ResourceModule());
    _NBPTuple tuple = PatternedTuple();
    const _NBPTuple before = tuple;

    const int result = HVRDeviceChooser(&tuple, 3, nullptr);
    const int resultC = HVRDeviceChooserC(&tuple, 3, nullptr);
    ResourceChain::instance().addModule(Vidur20ResourceModule());

    EXPECT_EQ(result, -1);
    EXPECT_EQ(resultC, -1);
    EXPECT_EQ(std::memcmp(&tuple, &before, sizeof tuple), 0);
    EXPECT_EQ(fake.openEnumCount(), 0) << "no dialog, so no enumeration either";
}

TEST_F(ChooserEntryPointTest, TheCEntryPointHandsBackTheSameChoice) {
    ScriptNetwork();
    observer.onOpen = [](CWnd& window, HVRWindowKind) {
        FindAndSelect(window, 0);
        UiDriver::ClickButton(window, IDOK);
    };
    _NBPTuple tuple = PatternedTuple();
    EXPECT_EQ(HVRDeviceChooserC(&tuple, 1, nullptr), IDOK);
    EXPECT_STREQ(tuple.entity.object, "Annex");
}

TEST_F(ChooserEntryPointTest, TheFlagsReachTheChooserUnchanged) {
    ScriptNetwork();
    int typeCount = -1;
    observer.onOpen = [&](CWnd& window, HVRWindowKind) {
        typeCount = static_cast<int>(window.GetDlgItem(IDC_TYPE_BOX)->SendMessage(CB_GETCOUNT));
    };
    EXPECT_EQ(HVRDeviceChooser(nullptr, 2, nullptr), IDCANCEL);
    EXPECT_EQ(typeCount, 1) << "file servers only";
}

} // namespace

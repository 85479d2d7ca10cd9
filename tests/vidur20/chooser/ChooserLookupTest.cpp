// SPDX-License-Identifier: MIT
// Device look-ups: the items of the device list, the first one selected, the prompt of the
// looked-up type, a failed look-up's one message box with ticks dropped meanwhile, Stop
// Lookup, and a new look-up whenever a drop-down list closes.
#include "ChooserTestSupport.h"

namespace choosertest {
namespace {

using ChooserLookupTest = ChooserTest;

TEST_F(ChooserLookupTest, CompletedLookupListsEveryDeviceSortedAndSelectsTheFirst) {
    fake.setPostScriptDefault(1);
    ScriptNetwork({Device("Office", "LaserWriter", 300, 56, 130), Device("annex", "LaserWriter", 65535, 255, 255),
                   Device("Office", "LaserWriter", 300, 56, 130), Device("Basement", "LaserWriter", 0, 0, 0)});
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    Run(chooser, [&](Chooser& c) {
        EXPECT_EQ(c.Prompt(), "Choose a device:") << "until the first look-up starts";
        c.Tick();
        EXPECT_EQ(c.Prompt(), "Choose a LaserWriter:");
        c.Tick();
        EXPECT_EQ(c.Items(),
                  (std::vector<std::string>{"annex\tLaserWriter\t65535 255 255", "Basement\tLaserWriter\t0 0 0",
                                            "Office\tLaserWriter\t300 56 130", "Office\tLaserWriter\t300 56 130"}));
        EXPECT_EQ(c.DeviceList().GetCurSel(), 0);
        EXPECT_EQ(fake.callCount("NBPReadEnum"), 4);
        EXPECT_EQ(fake.callCount("NBPCloseEnum"), 1);
        EXPECT_TRUE(boxes.shown.empty());
    });
}

TEST_F(ChooserLookupTest, LookupWithAnyTypeListsSameNamedDevicesOfEachType) {
    ScriptNetwork({Device("Desk", "LaserWriter", 1, 1, 1), Device("Desk", "ImageWriter", 1, 2, 1)});
    Chooser chooser(0);
    Run(chooser, [&](Chooser& c) {
        c.Tick();
        EXPECT_EQ(LookupEntity(0), "=:=@Sales");
        c.Tick();
        EXPECT_EQ(c.Items(), (std::vector<std::string>{"Desk\tImageWriter\t1 2 1", "Desk\tLaserWriter\t1 1 1"}));
    });
}

// Shows nothing but, while "shown", delivers the timer's next ticks as a nested loop would.
class TickingMessageBoxes : public RecordingMessageBoxes {
public:
    Chooser* chooser = nullptr;
    int statusPollsDuringBox = -1;
    bool lookupOpenDuringBox = false;
    int Show(HWND owner, const CString& text, const CString& caption, UINT type) override {
        auto& fake = FakeAppleTalk::instance();
        const int before = fake.callCount("NBPEnumStatus");
        chooser->Tick();
        chooser->Tick();
        statusPollsDuringBox = fake.callCount("NBPEnumStatus") - before;
        lookupOpenDuringBox = fake.openEnumCount() == 1;
        return RecordingMessageBoxes::Show(owner, text, caption, type);
    }
};

TEST_F(ChooserLookupTest, FailedLookupShowsOneStopMessageDropsTicksMeanwhileThenCloses) {
    const struct {
        const char* what;
        int flags;
        const char* prompt;
    } rows[] = {{"printers", ZChooserDialog::kOfferPrinters, "Choose a LaserWriter:"},
                {"file servers", ZChooserDialog::kOfferFileServers, "Choose a File Server:"}};
    for (const auto& row : rows) {
        fake.reset();
        fake.setPostScriptDefault(1);
        fake.scriptZoneEnum(ZoneScript({"Sales"}));
        fake.setMyZone(0, "Sales");
        fake.scriptLookup(LookupScript({ENUM_RUNNING, -1028}));
        Chooser chooser(row.flags);
        TickingMessageBoxes ticking;
        ticking.chooser = &chooser;
        ScopedMessageBoxes scoped(ticking);
        Run(chooser, [&](Chooser& c) {
            c.Tick();
            c.Tick();
            EXPECT_TRUE(ticking.shown.empty());
            c.Tick();
            ASSERT_EQ(ticking.shown.size(), 1u) << row.what;
            EXPECT_EQ(ticking.shown[0].text, "status: printer not found") << row.what;
            EXPECT_EQ(ticking.shown[0].type, MB_ICONSTOP | MB_OK) << row.what;
            EXPECT_EQ(ticking.statusPollsDuringBox, 0) << row.what << ": ticks during the box are dropped";
            EXPECT_TRUE(ticking.lookupOpenDuringBox) << row.what << ": closed only after the box";
            EXPECT_EQ(fake.openEnumCount(), 0) << row.what;
            EXPECT_TRUE(c.Items().empty()) << row.what;
            EXPECT_EQ(c.Prompt(), row.prompt) << row.what;
            EXPECT_EQ(c.States(), (ControlStates{true, true, true, true, false, false})) << row.what;
            c.Tick();
            EXPECT_EQ(ticking.shown.size(), 1u) << row.what << ": once";
        });
    }
}

TEST_F(ChooserLookupTest, FailedLookupMessageIsInFrenchUnderTheFrenchLanguage) {
    ResourceChain::instance().setLanguageOverride(kLangFrench);
    fake.scriptZoneEnum(ZoneScript({"Sales"}));
    fake.setMyZone(0, "Sales");
    fake.scriptLookup(LookupScript({-1}));
    Chooser chooser(0);
    Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
    });
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Etat: imprimante absente");
}

TEST_F(ChooserLookupTest, LookupsThatEndWithoutDevicesLeaveAnEmptyEnabledListAndNoMessage) {
    const struct {
        const char* what;
        FakeLookup script;
        int closes;
    } rows[] = {
        {"another positive status", LookupScript({ENUM_RUNNING, 3}), 1},
        {"nothing found", LookupScript({ENUM_COMPLETE}), 1},
        {"open fails", LookupScript({}, {}, -1), 0},
    };
    for (const auto& row : rows) {
        fake.reset();
        fake.scriptZoneEnum(ZoneScript({"Sales"}));
        fake.setMyZone(0, "Sales");
        fake.scriptLookup(row.script);
        Chooser chooser(0);
        Run(chooser, [&](Chooser& c) {
            c.Tick();
            c.Tick();
            c.Tick();
            EXPECT_TRUE(c.Items().empty()) << row.what;
            EXPECT_EQ(c.States(), (ControlStates{true, true, true, true, false, false})) << row.what;
            EXPECT_EQ(fake.callCount("NBPCloseEnum"), row.closes) << row.what;
            EXPECT_EQ(fake.openEnumCount(), 0) << row.what;
        });
        EXPECT_TRUE(boxes.shown.empty()) << row.what;
    }
}

TEST_F(ChooserLookupTest, StopLookupLeavesAnEmptyEnabledListAndTheNextLookupRestartsTheTimer) {
    fake.setPostScriptDefault(1);
    fake.scriptZoneEnum(ZoneScript({"Sales"}));
    fake.setMyZone(0, "Sales");
    fake.scriptLookup(LookupScript({ENUM_COMPLETE}, {Device("Laser", "LaserWriter", 1, 2, 3)}));
    fake.scriptLookup(LookupScript({ENUM_RUNNING}));
    fake.scriptLookup(LookupScript({ENUM_RUNNING}));
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
        ASSERT_EQ(c.Items().size(), 1u);
        EXPECT_FALSE(UiDriver::ClickButton(c, IDC_STOP_LOOKUP)) << "disabled while idle";
        ASSERT_TRUE(UiDriver::OpenDropDown(c.ZoneBox()));
        ASSERT_TRUE(UiDriver::CloseDropDown(c.ZoneBox()));
        EXPECT_TRUE(c.Items().empty()) << "emptied before the new look-up's results";
        EXPECT_EQ(LookupEntity(1), "=:LaserWriter@Sales");
        ASSERT_TRUE(UiDriver::ClickButton(c, IDC_STOP_LOOKUP));
        EXPECT_TRUE(c.Items().empty());
        EXPECT_EQ(c.States(), (ControlStates{true, true, true, true, false, false}));
        EXPECT_FALSE(UiDriver::IsTimerRunning(c, 229));
        EXPECT_EQ(fake.openEnumCount(), 0);
        ASSERT_TRUE(UiDriver::OpenDropDown(c.TypeBox()));
        ASSERT_TRUE(UiDriver::CloseDropDown(c.TypeBox()));
        EXPECT_TRUE(UiDriver::IsTimerRunning(c, 229));
        EXPECT_EQ(c.States(), (ControlStates{false, false, false, false, true, true}));
    });
}

TEST_F(ChooserLookupTest, AnotherTypeIsLookedUpWhenTheListClosesNotWhenTheSelectionMoves) {
    fake.setPostScriptDefault(1);
    ScriptNetwork({});
    fake.scriptLookup(LookupScript({ENUM_COMPLETE}, {Device("Files", "AFPServer", 4, 5, 6)}));
    Chooser chooser(ZChooserDialog::kOfferPrinters | ZChooserDialog::kOfferFileServers);
    Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
        ASSERT_EQ(c.Types(), (std::vector<std::string>{"AFPServer", "ImageWriter", "LQ", "LaserWriter"}));
        for (int i = 0; i < 3; ++i) UiDriver::PressKey(c.TypeBox(), UiDriver::Key::Up);
        ASSERT_EQ(c.TypeBox().GetCurSel(), 0);
        EXPECT_EQ(fake.lookups().size(), 1u) << "a moved selection alone starts nothing";
        ASSERT_TRUE(UiDriver::OpenDropDown(c.TypeBox()));
        ASSERT_TRUE(UiDriver::CloseDropDown(c.TypeBox()));
        EXPECT_EQ(LookupEntity(1), "=:AFPServer@Sales");
        EXPECT_EQ(c.Prompt(), "Choose a File Server:");
        c.Tick();
        EXPECT_EQ(c.Items(), std::vector<std::string>{"Files\tAFPServer\t4 5 6"});
    });
}

// Win32 has the chosen item selected by the time the list closes, so a look-up started on
// CBN_CLOSEUP searches the type or zone just chosen, not the previous one.
TEST_F(ChooserLookupTest, ItemChosenInTheDroppedListIsTheOneLookedUp) {
    fake.setPostScriptDefault(1);
    ScriptNetwork({});
    fake.scriptLookup(LookupScript({ENUM_COMPLETE}));
    Chooser chooser(ZChooserDialog::kOfferPrinters | ZChooserDialog::kOfferFileServers);
    Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
        ASSERT_TRUE(UiDriver::ChooseComboItem(c.TypeBox(), 0));
        EXPECT_EQ(LookupEntity(1), "=:AFPServer@Sales");
    });
}

} // namespace
} // namespace choosertest

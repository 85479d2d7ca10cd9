// SPDX-License-Identifier: MIT
// The zone list: the ZIP enumeration polled on the timer, the zones sorted without regard to
// case, the node's own zone selected by the prefix rule, the isolated network, and the zone
// "*" whenever ZIP could not say where the node is.
#include "ChooserTestSupport.h"

namespace choosertest {
namespace {

using ChooserZonesTest = ChooserTest;

TEST_F(ChooserZonesTest, CompletedEnumerationListsSortedZonesSelectsTheLocalOneAndLooksUpThere) {
    fake.setPostScriptDefault(1);
    fake.scriptZoneEnum(
        ZoneScript({"Sales", "Engineering", "accounting"}, {ENUM_RUNNING, ENUM_RUNNING, ENUM_COMPLETE}));
    fake.setMyZone(0, "Sales");
    fake.scriptLookup(LookupScript({ENUM_RUNNING}));
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
        EXPECT_EQ(fake.callCount("NBPOpenEnum"), 0) << "no look-up while the zones are enumerated";
        EXPECT_TRUE(c.Zones().empty());
        c.Tick();
        EXPECT_EQ(c.Zones(), (std::vector<std::string>{"accounting", "Engineering", "Sales"}));
        EXPECT_EQ(c.SelectedZone(), "Sales");
        EXPECT_EQ(fake.callCount("ZIPCloseEnum"), 1);
        ASSERT_EQ(fake.lookups().size(), 1u);
        const FakeLookupRequest request = fake.lookups()[0];
        EXPECT_EQ(Entity(request.name), "=:LaserWriter@Sales");
        EXPECT_EQ(request.retryInterval, 2);
        EXPECT_EQ(request.retryCount, 2);
        EXPECT_EQ(request.maxTuples, 1024);
    });
    EXPECT_EQ(fake.callCount("ZIPEnumStatus"), 3);
    EXPECT_EQ(fake.calls().front().function, "IsPostScriptPrinterType") << "packages come before the zones";
}

TEST_F(ChooserZonesTest, LocalZoneIsTheFirstFromTheTopThatBeginsWithTheNodesZone) {
    const struct {
        const char* what;
        std::vector<std::string> zones;
        const char* myZone;
        const char* selected;
        const char* lookedUp;
    } rows[] = {
        {"listed, and the next begins with it", {"Sales East", "Sales"}, "Sales", "Sales", "Sales"},
        {"case ignored", {"Engineering", "SALES"}, "sales", "SALES", "SALES"},
        {"not listed, one begins with it", {"Engineering", "Sales East"}, "Sales", "Sales East", "Sales East"},
        {"not listed at all", {"Engineering"}, "Sales", "(none)", "*"},
        {"no zones", {}, "Sales", "(none)", "*"},
    };
    for (const auto& row : rows) {
        fake.reset();
        fake.scriptZoneEnum(ZoneScript(row.zones));
        fake.setMyZone(0, row.myZone);
        fake.scriptLookup(LookupScript({ENUM_COMPLETE}));
        Chooser chooser(0);
        Run(chooser, [&](Chooser& c) {
            c.Tick();
            EXPECT_EQ(c.SelectedZone(), row.selected) << row.what;
            EXPECT_EQ(LookupEntity(0), std::string("=:=@") + row.lookedUp) << row.what;
            c.Tick();
            EXPECT_TRUE(c.ZoneBox().IsWindowEnabled()) << row.what;
        });
    }
}

TEST_F(ChooserZonesTest, ZonesDifferingOnlyInCaseAreBothListedAndTheFirstIsSelected) {
    fake.scriptZoneEnum(ZoneScript({"Sales", "SALES", "Admin"}));
    fake.setMyZone(0, "sales");
    fake.scriptLookup(LookupScript({ENUM_COMPLETE}));
    Chooser chooser(0);
    Run(chooser, [&](Chooser& c) {
        c.Tick();
        const auto zones = c.Zones();
        ASSERT_EQ(zones.size(), 3u);
        EXPECT_EQ(zones[0], "Admin");
        EXPECT_EQ(c.ZoneBox().GetCurSel(), 1);
        EXPECT_EQ(LookupEntity(0), "=:=@" + zones[1]);
    });
}

TEST_F(ChooserZonesTest, FailedEnumerationIsAnIsolatedNetworkWhoseLookupsAndChoicesUseStar) {
    fake.setPostScriptDefault(1);
    fake.scriptZoneEnum(ZoneScript({"Sales"}, {ENUM_RUNNING, -5}));
    fake.setMyZone(0, "Sales");
    fake.scriptLookup(LookupScript({ENUM_RUNNING, ENUM_COMPLETE}, {Device("Laser", "LaserWriter", 1, 2, 3)}));
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    const int result = Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
        EXPECT_EQ(c.Zones(), std::vector<std::string>{"Isolated AppleTalk Network"});
        EXPECT_EQ(c.SelectedZone(), "Isolated AppleTalk Network");
        EXPECT_FALSE(c.ZoneBox().IsWindowEnabled());
        EXPECT_EQ(LookupEntity(0), "=:LaserWriter@*");
        EXPECT_EQ(fake.callCount("ZIPCloseEnum"), 1);
        EXPECT_EQ(fake.callCount("ZIPGetMyZone"), 0);
        c.Tick();
        c.Tick();
        EXPECT_TRUE(c.ZoneBox().IsWindowEnabled()) << "enabled with the others when the look-up ends";
        EXPECT_TRUE(UiDriver::ClickButton(c, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(chooser.GetChosenTuple().entity.zone, "*");
}

TEST_F(ChooserZonesTest, EnumerationThatNeverOpensLeavesTheZoneBoxEmptyAndLookupsUseStar) {
    fake.setPostScriptDefault(1);
    fake.scriptZoneEnum(ZoneScript({}, {ENUM_COMPLETE}, -1));
    fake.scriptLookup(LookupScript({ENUM_COMPLETE}));
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
        EXPECT_EQ(fake.callCount("ZIPEnumStatus"), 0);
        EXPECT_EQ(fake.callCount("NBPOpenEnum"), 0);
        EXPECT_EQ(c.States(), (ControlStates{true, false, false, true, true, false}));
        ASSERT_TRUE(UiDriver::OpenDropDown(c.TypeBox()));
        ASSERT_TRUE(UiDriver::CloseDropDown(c.TypeBox()));
        EXPECT_EQ(LookupEntity(0), "=:LaserWriter@*");
        EXPECT_TRUE(c.Zones().empty());
    });
}

TEST_F(ChooserZonesTest, FailedGetMyZoneLooksUpInStarWhateverZoneIsChosen) {
    fake.scriptZoneEnum(ZoneScript({"Engineering", "Sales"}));
    fake.setMyZone(-1, "");
    fake.scriptLookup(LookupScript({ENUM_COMPLETE}));
    fake.scriptLookup(LookupScript({ENUM_COMPLETE}, {Device("Server", "AFPServer", 7, 8, 9)}));
    Chooser chooser(ZChooserDialog::kOfferFileServers);
    const int result = Run(chooser, [&](Chooser& c) {
        c.Tick();
        EXPECT_EQ(c.Zones(), (std::vector<std::string>{"Engineering", "Sales"}));
        EXPECT_EQ(LookupEntity(0), "=:AFPServer@*");
        c.Tick();
        EXPECT_TRUE(c.ZoneBox().IsWindowEnabled());
        ASSERT_TRUE(UiDriver::ChooseComboItem(c.ZoneBox(), 1));
        EXPECT_EQ(c.SelectedZone(), "Sales");
        EXPECT_EQ(LookupEntity(1), "=:AFPServer@*");
        c.Tick();
        EXPECT_TRUE(UiDriver::ClickButton(c, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(chooser.GetChosenTuple().entity.zone, "*");
    EXPECT_NE(profile.fileText("Halvora.INI").find("File Server1=AppleTalk PAP; 7 8 9, Server:AFPServer@*"),
              std::string::npos);
}

TEST_F(ChooserZonesTest, ClosingTheTypeDropDownDuringTheEnumerationStartsNothing) {
    fake.setPostScriptDefault(1);
    fake.scriptZoneEnum(ZoneScript({"Sales"}, {ENUM_RUNNING, ENUM_COMPLETE}));
    fake.setMyZone(0, "Sales");
    fake.scriptLookup(LookupScript({ENUM_RUNNING}));
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    Run(chooser, [&](Chooser& c) {
        ASSERT_TRUE(UiDriver::OpenDropDown(c.TypeBox()));
        ASSERT_TRUE(UiDriver::CloseDropDown(c.TypeBox()));
        EXPECT_EQ(fake.callCount("NBPOpenEnum"), 0);
        c.Tick();
        c.Tick();
        EXPECT_EQ(fake.callCount("NBPOpenEnum"), 1) << "the first look-up starts when the zones are in";
    });
}

TEST_F(ChooserZonesTest, StopDuringTheEnumerationClosesItAndLaterLookupsUseStar) {
    fake.setPostScriptDefault(1);
    fake.scriptZoneEnum(ZoneScript({"Sales"}, {ENUM_RUNNING}));
    fake.setMyZone(0, "Sales");
    fake.scriptLookup(LookupScript({ENUM_RUNNING}));
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    Run(chooser, [&](Chooser& c) {
        c.Tick();
        ASSERT_TRUE(UiDriver::ClickButton(c, IDC_STOP_LOOKUP));
        EXPECT_EQ(fake.callCount("ZIPCloseEnum"), 1);
        EXPECT_EQ(fake.openEnumCount(), 0);
        EXPECT_FALSE(UiDriver::IsTimerRunning(c, 229));
        EXPECT_TRUE(c.Zones().empty());
        EXPECT_EQ(c.States(), (ControlStates{true, true, true, true, false, false}));
        ASSERT_TRUE(UiDriver::OpenDropDown(c.TypeBox()));
        ASSERT_TRUE(UiDriver::CloseDropDown(c.TypeBox()));
        EXPECT_EQ(LookupEntity(0), "=:LaserWriter@*");
        EXPECT_TRUE(UiDriver::IsTimerRunning(c, 229)) << "the look-up starts the timer again";
    });
}

} // namespace
} // namespace choosertest

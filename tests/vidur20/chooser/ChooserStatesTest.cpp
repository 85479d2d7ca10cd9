// SPDX-License-Identifier: MIT
// The Chooser's activity states (zones, look-up, idle, closed): which controls are enabled
// and which cursor shows in each, and the timer that drives them.
#include "ChooserTestSupport.h"

namespace choosertest {
namespace {

using ChooserStatesTest = ChooserTest;

constexpr ControlStates kZones{.type = true, .zone = false, .list = false, .ok = true, .stop = true, .wait = false};
constexpr ControlStates kLookup{.type = false, .zone = false, .list = false, .ok = false, .stop = true, .wait = true};
constexpr ControlStates kIdle{.type = true, .zone = true, .list = true, .ok = true, .stop = false, .wait = false};

TEST_F(ChooserStatesTest, ControlsAndCursorFollowZonesThenLookupThenIdle) {
    fake.setPostScriptDefault(1);
    fake.scriptZoneEnum(ZoneScript({"Sales"}, {ENUM_RUNNING, ENUM_COMPLETE}));
    fake.setMyZone(0, "Sales");
    fake.scriptLookup(LookupScript({ENUM_RUNNING, ENUM_COMPLETE}, {Device("Office", "LaserWriter", 300, 56, 130)}));
    struct Seen {
        const char* when;
        ControlStates states;
        bool timer;
    };
    std::vector<Seen> seen;
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    auto note = [&](const char* when) {
        seen.push_back({when, chooser.States(), UiDriver::IsTimerRunning(chooser, 229)});
    };
    const int result = Run(chooser, [&](Chooser& c) {
        note("opened");
        c.Tick();
        note("zones still running");
        c.Tick();
        note("zones complete");
        c.Tick();
        note("look-up still running");
        c.Tick();
        note("look-up complete");
        c.Tick();
        note("a tick with nothing to poll");
        UiDriver::ClickButton(c, IDOK);
        EXPECT_FALSE(UiDriver::IsTimerRunning(c, 229)) << "closing ends all activity";
        EXPECT_EQ(fake.openEnumCount(), 0);
    });
    EXPECT_EQ(result, IDOK);
    const Seen expected[] = {
        {"opened", kZones, true},          {"zones still running", kZones, true},
        {"zones complete", kLookup, true}, {"look-up still running", kLookup, true},
        {"look-up complete", kIdle, true}, {"a tick with nothing to poll", kIdle, true},
    };
    ASSERT_EQ(seen.size(), std::size(expected));
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].states, expected[i].states) << expected[i].when;
        EXPECT_EQ(seen[i].timer, expected[i].timer) << expected[i].when;
    }
    EXPECT_EQ(fake.callCount("ZIPEnumStatus"), 2);
    EXPECT_EQ(fake.callCount("NBPEnumStatus"), 2) << "the idle tick polls nothing";
}

TEST_F(ChooserStatesTest, ClosingTheDialogStopsTheRunningLookupAndTheTimer) {
    const struct {
        const char* how;
        int button;
        int result;
    } rows[] = {{"OK", IDOK, IDOK}, {"Cancel", IDCANCEL, IDCANCEL}};
    for (const auto& row : rows) {
        fake.reset();
        fake.setPostScriptDefault(1);
        fake.scriptZoneEnum(ZoneScript({"Sales"}, {ENUM_COMPLETE}));
        fake.setMyZone(0, "Sales");
        fake.scriptLookup(LookupScript({ENUM_RUNNING}));
        Chooser chooser(ZChooserDialog::kOfferPrinters);
        const int result = Run(chooser, [&](Chooser& c) {
            c.Tick(); // the look-up opens and keeps running
            ASSERT_EQ(fake.openEnumCount(), 1);
            // OK is disabled while a look-up runs; Cancel never is. OK is reached by the
            // keyboard's default action only in idle, so end through the handler here.
            if (row.button == IDOK)
                c.SendMessage(WM_COMMAND, IDOK);
            else
                EXPECT_TRUE(UiDriver::ClickButton(c, IDCANCEL));
            EXPECT_FALSE(UiDriver::IsTimerRunning(c, 229)) << row.how;
            EXPECT_FALSE(UiDriver::IsWaitCursorShown(c)) << row.how;
        });
        EXPECT_EQ(result, row.result) << row.how;
        EXPECT_EQ(fake.openEnumCount(), 0) << row.how;
        EXPECT_EQ(fake.callCount("NBPCloseEnum"), 1) << row.how;
    }
}

TEST_F(ChooserStatesTest, DialogWhoseWindowGoesWithoutOkOrCancelStillClosesItsLookup) {
    fake.setPostScriptDefault(1);
    fake.scriptZoneEnum(ZoneScript({"Sales"}));
    fake.setMyZone(0, "Sales");
    fake.scriptLookup(LookupScript({ENUM_RUNNING}));
    {
        Chooser chooser(ZChooserDialog::kOfferPrinters);
        ASSERT_TRUE(chooser.Create(IDD_CHOOSER));
        chooser.Tick();
        ASSERT_EQ(fake.openEnumCount(), 1);
        chooser.DestroyWindow();
    }
    EXPECT_EQ(fake.openEnumCount(), 0);
    EXPECT_EQ(fake.callCount("NBPCloseEnum"), 1);
}

TEST_F(ChooserStatesTest, DialogThatCannotBeCreatedAnswersMinusOneAndAsksTheLibraryNothing) {
    ResourceChain::instance().removeModule(Vidur20ResourceModule());
    Chooser chooser(ZChooserDialog::kOfferPrinters | ZChooserDialog::kOfferFileServers);
    const int result = chooser.DoModal();
    ResourceChain::instance().addModule(Vidur20ResourceModule());
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(fake.calls().empty());
}

} // namespace
} // namespace choosertest

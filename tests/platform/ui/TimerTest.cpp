// SPDX-License-Identifier: MIT
// Window timers: WM_TIMER with the timer's id, and ticks that keep coming while a handler
// runs a nested modal loop (a message box), as in Win32, so that the handler's own re-entry
// guard is what drops them.
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include "TestDialogs.h"
#include "UiTestSupport.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Win32Api.h"

using namespace uitest;

namespace {

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dialog.Create(kDialog)); }
    void TearDown() override {
        if (dialog.m_hWnd) dialog.DestroyWindow();
    }
    TestResources resources;
    RecordingDialog dialog;
};

TEST_F(TimerTest, TimerDeliversItsIdUntilKilled) {
    EXPECT_EQ(dialog.SetTimer(229, 10), 229U);
    EXPECT_TRUE(UiDriver::IsTimerRunning(dialog, 229));
    ASSERT_TRUE(UiDriver::ProcessEventsUntil([&] { return count(dialog.events, "timer 229") >= 2; }, 5000));
    EXPECT_TRUE(dialog.KillTimer(229));
    EXPECT_FALSE(dialog.KillTimer(229)) << "a killed timer is gone";
    const int ticks = count(dialog.events, "timer 229");
    UiDriver::ProcessEvents(60);
    EXPECT_EQ(count(dialog.events, "timer 229"), ticks);
}

TEST_F(TimerTest, SettingAnIdAgainKeepsOneTimer) {
    dialog.SetTimer(5, 1000);
    dialog.SetTimer(5, 10);
    EXPECT_EQ(UiDriver::ActiveTimerCount(), 1);
    ASSERT_TRUE(UiDriver::ProcessEventsUntil([&] { return count(dialog.events, "timer 5") >= 1; }, 5000));
}

TEST_F(TimerTest, FiredTickGoesThroughTheMessageMap) {
    UiDriver::FireTimer(dialog, 42);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"timer 42"}));
}

// Opens a real nested modal loop, as a message box does, until the handler has been entered
// again twice (or two seconds pass).
class NestedLoopBoxes : public RecordingMessageBoxes {
public:
    std::function<bool()> done;
    int Show(HWND owner, const CString& text, const CString& caption, UINT type) override {
        RecordingMessageBoxes::Show(owner, text, caption, type);
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done()) loop.quit();
        });
        poll.start(5);
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
        return IDOK;
    }
};

TEST_F(TimerTest, TicksReachTheHandlerWhileItsMessageBoxIsOpen) {
    int depth = 0;
    int dropped = 0;
    int handled = 0;
    NestedLoopBoxes boxes;
    boxes.done = [&] { return dropped >= 2; };
    ScopedMessageBoxes scope(boxes);
    // The system's handlers guard themselves this way.
    dialog.onTimer = [&](RecordingDialog& d, UINT_PTR) {
        if (depth > 0) {
            ++dropped;
            return;
        }
        ++depth;
        if (++handled == 1) AfxMessageBox("status: printer not found", MB_ICONSTOP | MB_OK);
        --depth;
        d.Default();
    };
    dialog.SetTimer(229, 10);
    ASSERT_TRUE(UiDriver::ProcessEventsUntil([&] { return handled >= 2; }, 5000));
    EXPECT_GE(dropped, 2) << "ticks came while the box was open";
    ASSERT_EQ(boxes.shown.size(), 1U);
    EXPECT_EQ(boxes.shown[0].type, MB_ICONSTOP | MB_OK);
    EXPECT_EQ(boxes.shown[0].text, "status: printer not found");
    dialog.KillTimer(229);
}

} // namespace

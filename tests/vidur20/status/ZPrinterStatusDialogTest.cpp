// SPDX-License-Identifier: MIT
// The printer status window: asks the stack for the selected printer's status, shows each
// answer and asks again, stops after a failure until the user picks a printer, and never
// goes away while the stack may still write into its blocks.
#include "vidur20/status/ZPrinterStatusDialog.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "StatusWindowHarness.h"
#include "platform/ui/Win32Api.h"

using namespace statustest;
using namespace printers;

namespace {

_NBPTuple TupleOf(const FakeDispatch& dispatch) {
    _NBPTuple tuple;
    std::memcpy(&tuple, reinterpret_cast<const uint8_t*>(&dispatch.copy) + DB_STATUS_TUPLE_OFFSET, sizeof tuple);
    return tuple;
}

// ---------------------------------------------------------------------------------------
// Opening

TEST_F(StatusWindowTest, NoPrintersShowsOneStopMessageAndAsksNothing) {
    auto* window = new ZPrinterStatusDialog(nullptr);
    ASSERT_NE(window->GetSafeHwnd(), nullptr);
    ASSERT_EQ(boxes.shown.size(), 1U);
    EXPECT_EQ(boxes.shown[0].text,
              "This function cannot be used because no printers have been choosen. Please use "
              "the Chooser to select a printer.");
    EXPECT_EQ(boxes.shown[0].type, MB_OK | MB_ICONSTOP);
    EXPECT_FALSE(UiDriver::IsTimerRunning(*window, ZPrinterStatusDialog::kTimerId));
    EXPECT_EQ(StatusRequests(), 0);
    EXPECT_TRUE(window->IsWindowVisible()) << "the window stays open, idle";
    EXPECT_EQ(StatusText(*window), kLooking) << "the template's own text";

    Cancel(*window);
    ASSERT_EQ(EndRequests(), 1) << "Cancel ends the request even when none went out";
    EXPECT_EQ(RequestIdOf(Dispatched(ATALK_CMD_END_PRINTER)[0].copy), 0U);
    EXPECT_EQ(UiDriver::LiveWindowCount(), 0);
}

TEST_F(StatusWindowTest, OpeningAsksForTheSelectedPrinterAndStartsTheTimer) {
    WriteRecent({"A", "B"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(UiDriver::IsTimerRunning(*window, ZPrinterStatusDialog::kTimerId));
    ASSERT_EQ(StatusRequests(), 1);
    const FakeDispatch first = Dispatched(ATALK_CMD_PRINTER_STATUS)[0];
    EXPECT_STREQ(TupleOf(first).entity.object, "A");
    EXPECT_EQ(first.copy.cleared36, 0U);
    EXPECT_EQ(first.copy.cleared44, 0U);
    EXPECT_EQ(StatusText(*window), kLooking);
    Cancel(*window);
}

// ---------------------------------------------------------------------------------------
// Polling

TEST_F(StatusWindowTest, RequestInProgressIsNotAskedAgain) {
    WriteRecent({"A"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    for (int i = 0; i < 3; ++i) Tick(*window);
    EXPECT_EQ(StatusRequests(), 1);
    EXPECT_EQ(StatusText(*window), kLooking);
    Cancel(*window);
}

TEST_F(StatusWindowTest, AnswerIsShownAtTheNextTickAndTheNextRequestGoesOutAtOnce) {
    WriteRecent({"A"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    // The stack answers with the printer where it found it, and may leave the cleared
    // fields dirty.
    const _NBPTuple found = Printer("A", 0x1234, 5, 6);
    Dispatched(ATALK_CMD_PRINTER_STATUS)[0].block->cleared36 = 77;
    Dispatched(ATALK_CMD_PRINTER_STATUS)[0].block->cleared44 = 88;
    Answer(0, 0, "status: idle", &found);
    Tick(*window);

    EXPECT_EQ(StatusText(*window), "status: idle");
    ASSERT_EQ(StatusRequests(), 2);
    const FakeDispatch next = Dispatched(ATALK_CMD_PRINTER_STATUS)[1];
    EXPECT_EQ(next.copy.cleared36, 0U);
    EXPECT_EQ(next.copy.cleared44, 0U);
    EXPECT_EQ(TupleOf(next).address.network, 0x1234) << "the address the stack found is recorded and used";
    _NBPTuple selected{};
    PrinterBox(*window).GetCurSelPrinter(&selected);
    EXPECT_EQ(selected.address.nodeID, 5);
    Cancel(*window);
}

TEST_F(StatusWindowTest, EmptyAnswerLeavesTheLastTextUp) {
    WriteRecent({"A"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    Answer(0, 0, "status: busy");
    Tick(*window);
    Answer(1, 0, "");
    Tick(*window);
    EXPECT_EQ(StatusText(*window), "status: busy");
    EXPECT_EQ(StatusRequests(), 3);
    Cancel(*window);
}

TEST_F(StatusWindowTest, AnswerFillingTheWholeTextFieldIsShownWithoutOverrun) {
    WriteRecent({"A"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    _DispatchBlock& block = *Dispatched(ATALK_CMD_PRINTER_STATUS)[0].block;
    std::memset(reinterpret_cast<uint8_t*>(&block) + DB_STATUS_TEXT_OFFSET, 'x', DB_STATUS_TEXT_SIZE); // no NUL
    FakeAppleTalk::completeBlock(block, 0);
    Tick(*window);
    EXPECT_EQ(StatusText(*window), std::string(DB_STATUS_TEXT_SIZE, 'x'));
    Cancel(*window);
}

// ---------------------------------------------------------------------------------------
// Failure and the user's pick

TEST_F(StatusWindowTest, FailureShowsNotFoundAndStopsAsking) {
    WriteRecent({"A"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    Answer(0, -1);
    for (int i = 0; i < 3; ++i) {
        Tick(*window);
        EXPECT_EQ(StatusText(*window), kNotFound);
    }
    EXPECT_EQ(StatusRequests(), 1);
    Cancel(*window);
}

TEST_F(StatusWindowTest, PickingTheSamePrinterAfterFailureAsksAgainAndKeepsNotFoundUntilTheAnswer) {
    WriteRecent({"A", "B"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    Answer(0, -1);
    Tick(*window);
    NotifySelectionChange(*window);
    ASSERT_EQ(StatusRequests(), 2);
    EXPECT_STREQ(TupleOf(Dispatched(ATALK_CMD_PRINTER_STATUS)[1]).entity.object, "A");
    EXPECT_EQ(StatusText(*window), kNotFound);
    Answer(1, 0, "status: ready");
    Tick(*window);
    EXPECT_EQ(StatusText(*window), "status: ready");
    Cancel(*window);
}

TEST_F(StatusWindowTest, PickingAnotherPrinterAfterFailureShowsLookingAndAsksForIt) {
    WriteRecent({"A", "B"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    Answer(0, -1);
    Tick(*window);
    ASSERT_TRUE(UiDriver::ChooseComboItem(PrinterBox(*window), 1));
    ASSERT_EQ(StatusRequests(), 2);
    EXPECT_STREQ(TupleOf(Dispatched(ATALK_CMD_PRINTER_STATUS)[1]).entity.object, "B");
    EXPECT_EQ(StatusText(*window), kLooking);
    Cancel(*window);
}

TEST_F(StatusWindowTest, PickWhileARequestIsOutIsAskedAfterItsFailureWithoutShowingNotFound) {
    WriteRecent({"A", "B"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    ASSERT_TRUE(UiDriver::ChooseComboItem(PrinterBox(*window), 1));
    EXPECT_EQ(StatusRequests(), 1) << "the outstanding request runs to its end";
    Answer(0, -1);
    Tick(*window);
    ASSERT_EQ(StatusRequests(), 2);
    EXPECT_STREQ(TupleOf(Dispatched(ATALK_CMD_PRINTER_STATUS)[1]).entity.object, "B");
    EXPECT_EQ(StatusText(*window), kLooking);
    Cancel(*window);
}

// ---------------------------------------------------------------------------------------
// Re-entry

TEST_F(StatusWindowTest, TickArrivingWhileATickIsHandledIsIgnoredEntirely) {
    WriteRecent({"A"});
    Probe probe;
    auto* window = new ProbedStatusDialog(probe);
    Answer(0, 0, "status: outer");
    // While the tick dispatches the next request, the stack answers it at once and another
    // tick comes in: handled, it would show "inner" and ask a third time.
    bool fired = false;
    duringDispatch = [&](_DispatchBlock& block) {
        if (fired || block.command != ATALK_CMD_PRINTER_STATUS) return;
        fired = true;
        std::strcpy(reinterpret_cast<char*>(&block) + DB_STATUS_TEXT_OFFSET, "status: inner");
        FakeAppleTalk::completeBlock(block, 0);
        Tick(*window);
    };
    Tick(*window);
    EXPECT_TRUE(fired);
    EXPECT_EQ(StatusRequests(), 2);
    EXPECT_EQ(StatusText(*window), "status: outer");
    EXPECT_EQ(probe.defaultTicks, 1) << "the inner tick gets no default processing either";
    duringDispatch = nullptr;
    Cancel(*window);
}

// ---------------------------------------------------------------------------------------
// Going away

TEST_F(StatusWindowTest, CancelWhileARequestIsOutWaitsForTheEndRequest) {
    WriteRecent({"A"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    const HWND handle = window->GetSafeHwnd();
    holdEnds = true;
    bool openDuringWaits = true;
    sleep.onSleep = [&](int waits) {
        openDuringWaits = openDuringWaits && IsWindow(handle);
        if (waits == 3) EndAllEndRequests();
    };
    Cancel(*window);
    EXPECT_EQ(sleep.waits, (std::vector<DWORD>{100, 100, 100}));
    EXPECT_TRUE(openDuringWaits);
    ASSERT_EQ(EndRequests(), 1);
    EXPECT_EQ(RequestIdOf(Dispatched(ATALK_CMD_END_PRINTER)[0].copy), kFirstRequestId)
        << "the end request names the status request";
    EXPECT_EQ(UiDriver::LiveWindowCount(), 0);
}

// The window's own real sleeps, with word of each: the window is waiting on its end request.
class WatchedSleep : public SleepService {
public:
    explicit WatchedSleep(SleepService& real) : real_(real) {}
    void Sleep(DWORD milliseconds) override {
        {
            std::lock_guard lock(mutex_);
            ++waits_;
        }
        changed_.notify_all();
        real_.Sleep(milliseconds);
    }
    bool waitForFirst(std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return waits_ > 0; });
    }

private:
    SleepService& real_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int waits_ = 0;
};

TEST_F(StatusWindowTest, EndRequestFinishedByTheStacksThreadReleasesTheWindow) {
    WriteRecent({"A"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    holdEnds = true;
    SleepService::Install(nullptr); // real sleeps while another thread finishes the request
    WatchedSleep watched(SleepService::Current());
    SleepService::Install(&watched);
    std::atomic<bool> completed{false};
    std::thread stack([&] {
        // Once the window waits on its end request, the block is still there to end.
        if (watched.waitForFirst(std::chrono::seconds(30)) && EndRequests() == 1) {
            EndAllEndRequests();
            completed = true;
        }
    });
    Cancel(*window);
    stack.join();
    SleepService::Install(&sleep);
    EXPECT_TRUE(completed);
    EXPECT_EQ(UiDriver::LiveWindowCount(), 0);
}

TEST_F(StatusWindowTest, WindowDestroyedFromOutsideEndsItsRequestBeforeItGoes) {
    WriteRecent({"A"});
    Probe probe;
    auto* window = new ProbedStatusDialog(probe);
    holdEnds = true;
    sleep.onSleep = [&](int waits) {
        if (waits == 2) EndAllEndRequests();
    };
    int endsWhenDeleted = -1;
    std::size_t waitsWhenDeleted = 0;
    probe.onDelete = [&] {
        endsWhenDeleted = EndRequests();
        waitsWhenDeleted = sleep.waits.size();
    };
    EXPECT_TRUE(window->DestroyWindow());
    UiDriver::FlushDeletes();
    EXPECT_EQ(endsWhenDeleted, 1);
    EXPECT_EQ(waitsWhenDeleted, 2U) << "deleted only after the end request completed";
    EXPECT_EQ(RequestIdOf(Dispatched(ATALK_CMD_END_PRINTER)[0].copy), kFirstRequestId);
    EXPECT_EQ(UiDriver::LiveWindowCount(), 0);
}

TEST_F(StatusWindowTest, WindowObjectDeletedFromOutsideEndsItsRequest) {
    WriteRecent({"A"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    delete window;
    UiDriver::FlushDeletes();
    EXPECT_EQ(EndRequests(), 1);
    EXPECT_EQ(UiDriver::LiveWindowCount(), 0);
}

TEST_F(StatusWindowTest, WindowWithNothingAskedGoesFromOutsideWithoutAnEndRequest) {
    auto* window = new ZPrinterStatusDialog(nullptr); // no printers: nothing was dispatched
    EXPECT_TRUE(window->DestroyWindow());
    UiDriver::FlushDeletes();
    EXPECT_EQ(EndRequests(), 0);
    EXPECT_EQ(UiDriver::LiveWindowCount(), 0);
}

TEST_F(StatusWindowTest, CancelAfterAnOutsideCloseRequestSendsOneEndRequest) {
    WriteRecent({"A"});
    auto* window = new ZPrinterStatusDialog(nullptr);
    EXPECT_TRUE(UiDriver::ClickCloseBox(*window));
    UiDriver::FlushDeletes();
    EXPECT_EQ(EndRequests(), 1);
    EXPECT_EQ(UiDriver::LiveWindowCount(), 0);
}

// ---------------------------------------------------------------------------------------
// Several windows

TEST_F(StatusWindowTest, TwoWindowsAskAndEndIndependently) {
    WriteRecent({"A", "B"});
    auto* first = new ZPrinterStatusDialog(nullptr);
    auto* second = new ZPrinterStatusDialog(nullptr);
    ASSERT_EQ(StatusRequests(), 2);
    EXPECT_NE(Dispatched(ATALK_CMD_PRINTER_STATUS)[0].block, Dispatched(ATALK_CMD_PRINTER_STATUS)[1].block);
    EXPECT_TRUE(UiDriver::IsTimerRunning(*first, ZPrinterStatusDialog::kTimerId));
    EXPECT_TRUE(UiDriver::IsTimerRunning(*second, ZPrinterStatusDialog::kTimerId));

    Answer(1, 0, "status: second");
    Tick(*first);
    Tick(*second);
    EXPECT_EQ(StatusText(*first), kLooking);
    EXPECT_EQ(StatusText(*second), "status: second");
    ASSERT_EQ(StatusRequests(), 3);
    EXPECT_EQ(Dispatched(ATALK_CMD_PRINTER_STATUS)[2].block, Dispatched(ATALK_CMD_PRINTER_STATUS)[1].block);

    Cancel(*first);
    EXPECT_TRUE(second->IsWindowVisible());
    Cancel(*second);
    const auto ends = Dispatched(ATALK_CMD_END_PRINTER);
    ASSERT_EQ(ends.size(), 2U);
    EXPECT_EQ(RequestIdOf(ends[0].copy), kFirstRequestId);
    EXPECT_EQ(RequestIdOf(ends[1].copy), kFirstRequestId + 2);
}

} // namespace

// SPDX-License-Identifier: MIT
// HVRPrinterStatus as a host calls it: one more independent, self-owned window per call.
#include <cstring>

#include "EntryPointTestSupport.h"
#include "platform/ui/Win32Api.h"
#include "vidur20/module/HVREntryPoints.h"
#include "vidur20/module/HVREntryPointsC.h"
#include "vidur20/status/ZPrinterStatusDialog.h"

namespace {

using namespace moduletest;

class StatusEntryPointTest : public EntryPointTest {
protected:
    StatusEntryPointTest() {
        _NBPTuple printer{};
        std::strcpy(printer.entity.object, "Front Desk");
        std::strcpy(printer.entity.type, "LaserWriter");
        std::strcpy(printer.entity.zone, "Sales");
        printer.address = {12, 34, 129};
        fake.setDefaultPrinter(&printer);
        // End requests complete at once, as a stack that is running does.
        fake.setDispatchHandler([](_DispatchBlock& block) {
            if (block.command == ATALK_CMD_END_PRINTER) FakeAppleTalk::completeBlock(block, 0);
        });
    }

    int StatusRequestCount() const {
        int count = 0;
        for (const FakeDispatch& d : fake.dispatches())
            if (d.copy.command == ATALK_CMD_PRINTER_STATUS) ++count;
        return count;
    }
    static void Close(CWnd* window) {
        if (IsWindow(window->GetSafeHwnd())) UiDriver::ClickButton(*window, IDCANCEL);
        UiDriver::FlushDeletes();
    }
};

TEST_F(StatusEntryPointTest, TwoCallsOpenTwoIndependentWindowsEachWithItsOwnQueryAndTimer) {
    HVRPrinterStatus(nullptr);
    HVRPrinterStatusC(nullptr);

    ASSERT_EQ(observer.opened.size(), 2u);
    CWnd* first = observer.opened[0];
    CWnd* second = observer.opened[1];
    EXPECT_NE(first, second);
    EXPECT_EQ(observer.kinds[0], HVRWindowKind::PrinterStatus);
    EXPECT_TRUE(first->IsWindowVisible());
    EXPECT_TRUE(second->IsWindowVisible());
    EXPECT_TRUE(UiDriver::IsTimerRunning(*first, ZPrinterStatusDialog::kTimerId));
    EXPECT_TRUE(UiDriver::IsTimerRunning(*second, ZPrinterStatusDialog::kTimerId));
    EXPECT_EQ(StatusRequestCount(), 2) << "each window asks for itself";

    // Closing one leaves the other running.
    const HWND secondHandle = second->GetSafeHwnd();
    Close(first);
    EXPECT_TRUE(IsWindow(secondHandle));
    EXPECT_TRUE(UiDriver::IsTimerRunning(*second, ZPrinterStatusDialog::kTimerId));
    Close(second);
    EXPECT_FALSE(IsWindow(secondHandle));
}

TEST_F(StatusEntryPointTest, TheEntryPointReturnsAtOnceAndTheWindowGoesByItself) {
    HVRPrinterStatus(nullptr);
    ASSERT_EQ(observer.opened.size(), 1u);
    const HWND handle = observer.opened[0]->GetSafeHwnd();
    EXPECT_TRUE(IsWindow(handle));
    Close(observer.opened[0]);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(UiDriver::LiveWindowCount(), 0);
}

TEST_F(StatusEntryPointTest, TheMessageLoopForHostsWithoutOneRunsUntilTheLastWindowCloses) {
    HVRPrinterStatusC(nullptr);
    ASSERT_EQ(observer.opened.size(), 1u);
    CWnd* window = observer.opened[0];
    UiDriver::Post([window] { UiDriver::ClickButton(*window, IDCANCEL); });
    HVRRunMessageLoop();
    EXPECT_EQ(UiDriver::LiveWindowCount(), 0);
}

} // namespace

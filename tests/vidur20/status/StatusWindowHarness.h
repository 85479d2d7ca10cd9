// SPDX-License-Identifier: MIT
// What the printer status window's tests share: the library's resources in English, a
// private profile, message boxes and sleeps that never wait, and a stack stand-in that
// numbers each status request at offset 52 (as the stack does) and ends end requests at once
// unless a test says otherwise.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeAppleTalk.h"
#include "RecentPrinterFixtures.h"
#include "UiTestSupport.h"
#include "platform/resources/ResourceChain.h"
#include "platform/ui/SleepService.h"
#include "platform/ui/UiDriver.h"
#include "support/TempProfileDir.h"
#include "vidur20/res/ResourceIds.h"
#include "vidur20/res/Vidur20Resources.h"
#include "vidur20/status/ZPrinterStatusDialog.h"

namespace statustest {

// Records every wait and lets a test act during it; a wait that would never end fails the
// test instead of hanging it.
class ScriptedSleep : public SleepService {
public:
    void Sleep(DWORD milliseconds) override {
        waits.push_back(milliseconds);
        if (onSleep) onSleep(static_cast<int>(waits.size()));
        if (waits.size() >= kLimit && rescue) {
            ADD_FAILURE() << "still waiting after " << kLimit << " sleeps";
            rescue();
        }
    }
    static constexpr std::size_t kLimit = 1000;
    std::vector<DWORD> waits;
    std::function<void(int)> onSleep; // with the number of waits so far
    std::function<void()> rescue;
};

// The window's hooks a test can watch: the default processing of its ticks, and the moment
// its object is deleted.
struct Probe {
    int defaultTicks = 0;
    std::function<void()> onDelete;
};

class ProbedStatusDialog : public ZPrinterStatusDialog {
public:
    explicit ProbedStatusDialog(Probe& probe) : ZPrinterStatusDialog(nullptr), m_probe(probe) {}
    ~ProbedStatusDialog() override {
        if (m_probe.onDelete) m_probe.onDelete();
    }
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER) ++m_probe.defaultTicks;
        return ZPrinterStatusDialog::DefWindowProc(message, wParam, lParam);
    }

private:
    Probe& m_probe;
};

constexpr uint32_t kFirstRequestId = 0x5000;

class StatusWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake().reset();
        ResourceChain::instance().addModule(Vidur20ResourceModule());
        ResourceChain::instance().setLanguageOverride(kLangEnglishUS);
        m_previousSleep = SleepService::Install(&sleep);
        sleep.rescue = [] { EndAllEndRequests(); };
        fake().setDispatchHandler([this](_DispatchBlock& block) { Stack(block); });
    }
    void TearDown() override {
        UiDriver::FlushDeletes();
        SleepService::Install(m_previousSleep);
        ResourceChain::instance().setLanguageOverride(std::nullopt);
        ResourceChain::instance().removeModule(Vidur20ResourceModule());
        fake().reset();
    }

    static FakeAppleTalk& fake() { return FakeAppleTalk::instance(); }

    // The stand-in stack: numbers status requests, ends end requests unless held.
    void Stack(_DispatchBlock& block) {
        if (block.command == ATALK_CMD_PRINTER_STATUS) {
            // This request is already in the log: the first one gets kFirstRequestId.
            const uint32_t id =
                kFirstRequestId + static_cast<uint32_t>(Dispatched(ATALK_CMD_PRINTER_STATUS).size()) - 1;
            std::memcpy(reinterpret_cast<uint8_t*>(&block) + DB_REQUEST_ID_OFFSET, &id, sizeof id);
        }
        if (block.command == ATALK_CMD_END_PRINTER && !holdEnds) FakeAppleTalk::completeBlock(block, 0);
        if (duringDispatch) duringDispatch(block);
    }

    // Each dispatch of the command, in order, as the block was when it was dispatched.
    static std::vector<FakeDispatch> Dispatched(uint32_t command) {
        std::vector<FakeDispatch> found;
        for (const FakeDispatch& d : fake().dispatches())
            if (d.copy.command == command) found.push_back(d);
        return found;
    }
    static int StatusRequests() { return static_cast<int>(Dispatched(ATALK_CMD_PRINTER_STATUS).size()); }
    static int EndRequests() { return static_cast<int>(Dispatched(ATALK_CMD_END_PRINTER).size()); }

    // The stack's answer to the index-th status request: the text and tuple, then the result.
    // Only while the window that owns the block is open.
    static void Answer(std::size_t index, int result, const char* text = "", const _NBPTuple* tuple = nullptr) {
        _DispatchBlock& block = *Dispatched(ATALK_CMD_PRINTER_STATUS).at(index).block;
        auto* bytes = reinterpret_cast<uint8_t*>(&block);
        std::strncpy(reinterpret_cast<char*>(bytes + DB_STATUS_TEXT_OFFSET), text, DB_STATUS_TEXT_SIZE - 1);
        if (tuple) std::memcpy(bytes + DB_STATUS_TUPLE_OFFSET, tuple, sizeof *tuple);
        FakeAppleTalk::completeBlock(block, result);
    }

    static void EndAllEndRequests() {
        const auto ends = Dispatched(ATALK_CMD_END_PRINTER);
        if (!ends.empty()) FakeAppleTalk::completeBlock(*ends.back().block, 0);
    }

    static uint32_t RequestIdOf(const _DispatchBlock& block) {
        uint32_t id;
        std::memcpy(&id, reinterpret_cast<const uint8_t*>(&block) + DB_REQUEST_ID_OFFSET, sizeof id);
        return id;
    }

    static std::string StatusText(CWnd& window) {
        CString text;
        window.GetDlgItem(IDC_STATUS_TEXT)->GetWindowText(text);
        return std::string(text.View());
    }
    static ZMRUPrinterBox& PrinterBox(CWnd& window) {
        return *static_cast<ZMRUPrinterBox*>(CWnd::FromHandlePermanent(window.GetDlgItem(IDC_PRINTER_BOX)->m_hWnd));
    }
    static void Tick(CWnd& window) { UiDriver::FireTimer(window, ZPrinterStatusDialog::kTimerId); }
    // The user's pick as the control reports it, also of the item already selected.
    static void NotifySelectionChange(CWnd& window) {
        window.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PRINTER_BOX, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(window.GetDlgItem(IDC_PRINTER_BOX)->m_hWnd));
    }
    static void Cancel(CWnd& window) {
        EXPECT_TRUE(UiDriver::ClickButton(window, IDCANCEL));
        UiDriver::FlushDeletes();
    }

    static constexpr const char* kLooking = "status: looking for printer";
    static constexpr const char* kNotFound = "status: printer not found";

    TempProfileDir profile;
    RecordingMessageBoxes boxes;
    ScopedMessageBoxes scopedBoxes{boxes};
    ScriptedSleep sleep;
    bool holdEnds = false;
    std::function<void(_DispatchBlock&)> duringDispatch;

private:
    SleepService* m_previousSleep = nullptr;
};

} // namespace statustest

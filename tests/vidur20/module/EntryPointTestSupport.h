// SPDX-License-Identifier: MIT
// What the entry points' tests share: the scripted AppleTalk library, a private profile
// folder, message boxes that answer at once, English resources, and an observer that acts
// on each window the entry points open from inside its event loop, as a user would.
#pragma once

#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "FakeAppleTalk.h"
#include "UiTestSupport.h"
#include "platform/resources/ResourceChain.h"
#include "platform/ui/UiDriver.h"
#include "support/TempProfileDir.h"
#include "vidur20/module/HVRWindowObserver.h"
#include "vidur20/module/Vidur20Module.h"

namespace moduletest {

// Records the windows opened and closed, and runs `onOpen` for each from the event loop
// (inside a modal window's loop, where its controls exist).
class ScriptedObserver : public HVRWindowObserver {
public:
    std::function<void(CWnd&, HVRWindowKind)> onOpen;
    std::function<void(CWnd&, HVRWindowKind)> onClose;
    std::vector<CWnd*> opened;
    std::vector<HVRWindowKind> kinds;
    int closedCount = 0;

    void WindowOpened(CWnd& window, HVRWindowKind kind) override {
        opened.push_back(&window);
        kinds.push_back(kind);
        if (!onOpen) return;
        CWnd* target = &window;
        UiDriver::Post([this, target, kind] {
            onOpen(*target, kind);
            // A modal window the script left open is cancelled, so no test ever waits.
            if (kind != HVRWindowKind::PrinterStatus && target->IsWindowVisible())
                UiDriver::ClickButton(*target, IDCANCEL);
        });
    }
    void WindowClosed(CWnd& window, HVRWindowKind kind) override {
        ++closedCount;
        if (onClose) onClose(window, kind);
    }
};

class EntryPointTest : public ::testing::Test {
protected:
    EntryPointTest() {
        fake.reset();
        Vidur20ModuleInit();
        ResourceChain::instance().setLanguageOverride(kLangEnglishUS);
        previousObserver = HVRWindowObserver::Install(&observer);
    }
    ~EntryPointTest() override {
        HVRWindowObserver::Install(previousObserver);
        fake.reset();
        ResourceChain::instance().setLanguageOverride(std::nullopt);
    }

    FakeAppleTalk& fake = FakeAppleTalk::instance();
    TempProfileDir profile;
    RecordingMessageBoxes boxes;
    ScopedMessageBoxes scopedBoxes{boxes};
    ScriptedObserver observer;
    HVRWindowObserver* previousObserver = nullptr;
};

} // namespace moduletest

// SPDX-License-Identifier: MIT
// The main of UI tests: an offscreen application with the classic look, message boxes that
// never wait, and a check after every test that it left no window or timer behind.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

#include "UiTestSupport.h"
#include "platform/ui/UiApplication.h"
#include "platform/ui/UiDriver.h"

int RecordingMessageBoxes::Show(HWND, const CString& text, const CString& caption, UINT type) {
    shown.push_back({std::string(text.View()), std::string(caption.View()), type});
    return answer;
}

namespace {

bool g_leftovers = false;

class LeftoverCheck : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo& info) override {
        UiDriver::FlushDeletes();
        const int windows = UiDriver::LiveWindowCount();
        const int timers = UiDriver::ActiveTimerCount();
        if (windows == 0 && timers == 0) return;
        std::fprintf(stderr, "%s.%s left %d window(s) and %d timer(s) behind\n", info.test_suite_name(), info.name(),
                     windows, timers);
        g_leftovers = true;
    }
};

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char runtimeDir[] = "/tmp/vidur-ui-XXXXXX"; // a private 0700 folder, as Qt wants
    const bool madeRuntimeDir = !std::getenv("XDG_RUNTIME_DIR") && mkdtemp(runtimeDir);
    if (madeRuntimeDir) setenv("XDG_RUNTIME_DIR", runtimeDir, 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        ApplyUiLook();
        RecordingMessageBoxes boxes;
        MessageBoxService::Install(&boxes);
        testing::InitGoogleTest(&argc, argv);
        testing::UnitTest::GetInstance()->listeners().Append(new LeftoverCheck);
        result = RUN_ALL_TESTS();
        MessageBoxService::Install(nullptr);
    }
    if (madeRuntimeDir) rmdir(runtimeDir);
    return result != 0 || g_leftovers ? 1 : 0;
}

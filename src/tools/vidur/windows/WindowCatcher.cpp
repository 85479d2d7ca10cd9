// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/WindowCatcher.h"

#include "platform/ui/UiDriver.h"

namespace vidur::cli {

WindowCatcher::WindowCatcher() : previous_(HVRWindowObserver::Install(this)) {}

WindowCatcher::~WindowCatcher() { HVRWindowObserver::Install(previous_); }

void WindowCatcher::WindowOpened(CWnd& window, HVRWindowKind kind) {
    if (kind == HVRWindowKind::PrinterStatus) {
        statusWindow = &window;
        return;
    }
    if (!onModal) return;
    CWnd* target = &window;
    UiDriver::Post([this, target] { onModal(*target); });
}

} // namespace vidur::cli

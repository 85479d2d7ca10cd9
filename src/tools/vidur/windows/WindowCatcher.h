// SPDX-License-Identifier: MIT
// Catches the windows the entry points open, for the status and netinfo subcommands: keeps
// the last one of each kind and, for a modal one, runs an action from inside its loop.
#pragma once

#include <functional>

#include "vidur20/module/HVRWindowObserver.h"

namespace vidur::cli {

class WindowCatcher : public HVRWindowObserver {
public:
    // Installed for the catcher's lifetime.
    WindowCatcher();
    ~WindowCatcher() override;
    WindowCatcher(const WindowCatcher&) = delete;
    WindowCatcher& operator=(const WindowCatcher&) = delete;

    // Runs from the modal window's loop, once its window exists.
    std::function<void(CWnd&)> onModal;
    CWnd* statusWindow = nullptr;

    void WindowOpened(CWnd& window, HVRWindowKind kind) override;
    void WindowClosed(CWnd&, HVRWindowKind) override {}

private:
    HVRWindowObserver* previous_;
};

} // namespace vidur::cli

// SPDX-License-Identifier: MIT
// The event loop a modal dialog or property sheet runs in: DoModal shows the window
// application-modal and runs the loop; EndDialog (or the window's destruction) ends it.
#pragma once

#include <memory>

#include "platform/ui/Win32Ui.h"

class QEventLoop;

class ModalLoop {
public:
    ModalLoop();
    ~ModalLoop();
    ModalLoop(const ModalLoop&) = delete;
    ModalLoop& operator=(const ModalLoop&) = delete;

    // Shows the window modal and runs until exit; at once when exit came first.
    void run(HWND window);
    void exit(int code);
    bool ended() const { return ended_; }

private:
    std::unique_ptr<QEventLoop> loop_;
    bool ended_ = false;
};

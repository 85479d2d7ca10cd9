// SPDX-License-Identifier: MIT
// Lets a driver follow the windows the entry points open, as a window hook would: the
// command's offscreen mode chooses a device in the Chooser it opened, and tests act on the
// dialogs from inside their modal loops. Not part of what the shared library exports.
//
// WindowOpened comes before a modal window's loop starts (its window may not exist yet;
// act on it later, from the event loop) and right after the status window is created.
// WindowClosed comes when a modal window's loop has ended, just before the object goes; a
// status window goes by itself, so a driver checks it with IsWindow before each use.
#pragma once

#include "platform/ui/CWnd.h"

enum class HVRWindowKind { Chooser, PrinterStatus, NetworkInfo };

class HVRWindowObserver {
public:
    virtual ~HVRWindowObserver() = default;
    virtual void WindowOpened(CWnd& window, HVRWindowKind kind) = 0;
    virtual void WindowClosed(CWnd& window, HVRWindowKind kind) = 0;

    // The observer in force, null for none. Install answers the one it replaces.
    static HVRWindowObserver* Current();
    static HVRWindowObserver* Install(HVRWindowObserver* observer);
};

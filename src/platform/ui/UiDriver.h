// SPDX-License-Identifier: MIT
// Drives windows as a user would, for tests: every action goes through the same Qt events
// and control code a real user's does, so the notifications a dialog gets are the real ones.
// Also runs the event loop for a while and tells what is left running.
#pragma once

#include <functional>

#include "platform/ui/CWnd.h"

class UiDriver {
public:
    enum class Key { Enter, Escape, Down, Up };

    // Runs the event loop until `done` answers true or timeoutMs pass; answers `done`.
    static bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs);
    static void ProcessEvents(int milliseconds = 0);
    // Runs the action from the event loop, e.g. inside DoModal's loop.
    static void Post(std::function<void()> action);
    // Deletes the widgets of windows destroyed from inside their own handlers.
    static void FlushDeletes();

    // A drop-down list: opened as by a click on its arrow; closed as by Escape, leaving the
    // selection; or opened and an item chosen in it as by the keyboard and Enter.
    static BOOL OpenDropDown(CWnd& combo);
    static BOOL CloseDropDown(CWnd& combo);
    static BOOL ChooseComboItem(CWnd& combo, int index);
    // A closed drop-down list with the focus: a key moves its selection.
    static BOOL PressKey(CWnd& window, Key key); // to the window's focused control, else the window

    static BOOL ClickButton(CWnd& dialog, int nID); // FALSE when missing or disabled
    static BOOL ClickListItem(CWnd& list, int index);
    static BOOL DoubleClickListItem(CWnd& list, int index);
    static BOOL ClickCloseBox(CWnd& dialog);

    // The tick the window's timer would deliver, now.
    static void FireTimer(CWnd& window, UINT_PTR nIDEvent);
    static bool IsTimerRunning(const CWnd& window, UINT_PTR nIDEvent);
    static bool IsWaitCursorShown(const CWnd& window);
    static bool IsDropDownOpen(const CWnd& combo);

    // What is left: windows not yet gone (after FlushDeletes) and timers running.
    static int LiveWindowCount();
    static int ActiveTimerCount();
};

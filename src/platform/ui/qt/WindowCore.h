// SPDX-License-Identifier: MIT
// What a window handle names: the Win32 side of one Qt widget (its id, style, attached
// object, timers, class cursor) and its class window procedure. Every widget the layer
// creates for a template item or dialog derives from QWidget and from this.
#pragma once

#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>

#include "platform/core/CString.h"
#include "platform/ui/Win32Ui.h"

class CWnd;
class QTimer;

struct HWND__ {
    HWND__(UINT id, DWORD style);
    virtual ~HWND__();
    HWND__(const HWND__&) = delete;
    HWND__& operator=(const HWND__&) = delete;

    virtual QWidget* widget() = 0;
    // The window class's own processing of a message (Win32's class window procedure).
    virtual LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Text as the system sees it (Mac OS Roman); default: the widget's window title.
    virtual void setText(const CString& text);
    virtual CString text() const;
    // The object FromHandle answers for a window with nothing attached, of the control's class.
    virtual std::unique_ptr<CWnd> makeTemporary();
    // A registered, not yet destroyed window.
    static bool isLive(const HWND__* hWnd);

    // ShowWindow's part: shown or hidden, and whether it is.
    void setShown(bool shown);
    bool isShown();
    // The client area, from (0, 0).
    RECT clientRect();
    // Painted again now, or when control returns to the event loop.
    void redraw(bool now);

    // Sends through the attached object's WindowProc when there is one.
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND with this control's id and a notification code, sent to the parent.
    void notifyParent(WORD code);
    HWND parentHandle() const;
    static HWND fromWidget(QWidget* widget);
    bool alive() const { return !destroyed_; }

    void setTimer(UINT_PTR id, UINT elapse);
    bool killTimer(UINT_PTR id);
    void killAllTimers();
    static int activeTimerCount();
    bool hasTimer(UINT_PTR id) const { return timers_.count(id) != 0; }
    static int liveWindowCount();

    // DestroyWindow. The widget goes at once when `immediate`, else when control returns to
    // the event loop (the window may be destroyed from inside one of its own handlers).
    void destroy(bool immediate = false);

    UINT id_;
    DWORD style_;
    CWnd* attached_ = nullptr; // permanent object
    std::unique_ptr<CWnd> temporary_; // object answered by FromHandle when none is attached
    LONG classCursor_ = 0;
    HICON icons_[2] = {nullptr, nullptr}; // ICON_SMALL, ICON_BIG

private:
    LRESULT setIcon(WPARAM which, HICON icon);
    void deliverTimer(UINT_PTR id);
    void destroyMessages();
    void ncDestroy();
    struct Timer {
        QTimer* timer;
        bool pending;
    };
    std::map<UINT_PTR, Timer> timers_;
    std::shared_ptr<HWND__*> self_; // null once the window is gone
    bool destroyed_ = false;
    bool destroying_ = false;
    static int s_timerCount;
};

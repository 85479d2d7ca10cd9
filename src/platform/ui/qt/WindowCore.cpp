// SPDX-License-Identifier: MIT
#include "platform/ui/qt/WindowCore.h"

#include <QTimer>
#include <algorithm>
#include <unordered_set>
#include <vector>

#include "platform/ui/CWnd.h"
#include "platform/ui/qt/TextCodec.h"
#include "platform/ui/qt/WindowIcons.h"

namespace {
// The handle table: a handle outside it names no window, as a stale HWND does in Win32.
std::unordered_set<const HWND__*>& handles() {
    static std::unordered_set<const HWND__*> table;
    return table;
}
constexpr UINT kMinimumTimerPeriod = 10; // USER_TIMER_MINIMUM
} // namespace

int HWND__::s_timerCount = 0;

HWND__::HWND__(UINT id, DWORD style) : id_(id), style_(style), self_(std::make_shared<HWND__*>(this)) {
    handles().insert(this);
}

HWND__::~HWND__() {
    *self_ = nullptr;
    handles().erase(this);
    killAllTimers();
    if (temporary_) temporary_->m_hWnd = nullptr;
    temporary_.reset();
    if (attached_) attached_->m_hWnd = nullptr;
    attached_ = nullptr;
}

bool HWND__::isLive(const HWND__* hWnd) { return hWnd && handles().count(hWnd) && !hWnd->destroyed_; }

void HWND__::setShown(bool shown) { widget()->setVisible(shown); }

bool HWND__::isShown() { return widget()->isVisible(); }

RECT HWND__::clientRect() { return RECT{0, 0, widget()->width(), widget()->height()}; }

void HWND__::redraw(bool now) {
    if (now)
        widget()->repaint();
    else
        widget()->update();
}

HWND HWND__::fromWidget(QWidget* widget) { return dynamic_cast<HWND__*>(widget); }

HWND HWND__::parentHandle() const {
    for (QWidget* w = const_cast<HWND__*>(this)->widget()->parentWidget(); w; w = w->parentWidget())
        if (HWND h = fromWidget(w)) return h;
    return nullptr;
}

std::unique_ptr<CWnd> HWND__::makeTemporary() { return std::make_unique<CWnd>(); }

void HWND__::setText(const CString& text) { widget()->setWindowTitle(ui_detail::fromMacRoman(text.View())); }

CString HWND__::text() const {
    const std::string bytes = ui_detail::toMacRoman(const_cast<HWND__*>(this)->widget()->windowTitle());
    return CString(bytes.data(), static_cast<int>(bytes.size()));
}

LRESULT HWND__::classProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT: setText(CString(reinterpret_cast<LPCSTR>(lParam))); return TRUE;
    case WM_GETTEXT: {
        if (wParam == 0 || lParam == 0) return 0;
        const CString t = text();
        const int n = std::min<int>(t.GetLength(), static_cast<int>(wParam) - 1);
        std::copy_n(static_cast<LPCSTR>(t), n, reinterpret_cast<LPSTR>(lParam));
        reinterpret_cast<LPSTR>(lParam)[n] = '\0';
        return n;
    }
    case WM_GETTEXTLENGTH: return text().GetLength();
    case WM_SETICON: return setIcon(wParam, reinterpret_cast<HICON>(lParam));
    case WM_GETICON: return reinterpret_cast<LRESULT>(icons_[wParam == ICON_BIG ? 1 : 0]);
    case WM_CLOSE: // DefWindowProc destroys the window
        destroy();
        return 0;
    default: return 0;
    }
}

LRESULT HWND__::setIcon(WPARAM which, HICON icon) {
    HICON& slot = icons_[which == ICON_BIG ? 1 : 0];
    const HICON previous = slot;
    slot = icon;
    widget()->setWindowIcon(ui_detail::windowIconFrom(icons_[1], icons_[0]));
    return reinterpret_cast<LRESULT>(previous);
}

LRESULT HWND__::send(UINT message, WPARAM wParam, LPARAM lParam) {
    if (attached_) return attached_->DispatchMessage(message, wParam, lParam);
    return classProc(message, wParam, lParam);
}

void HWND__::notifyParent(WORD code) {
    if (HWND parent = parentHandle(); isLive(parent))
        parent->send(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id_), code), reinterpret_cast<LPARAM>(this));
}

// Each tick is queued rather than handled inside Qt's timer event, so that a handler that
// runs a nested loop (a message box) still gets the next tick, as WM_TIMER does in Win32;
// as there, at most one tick per timer waits in the queue.
void HWND__::setTimer(UINT_PTR id, UINT elapse) {
    auto it = timers_.find(id);
    if (it == timers_.end()) {
        auto* timer = new QTimer;
        ++s_timerCount;
        it = timers_.emplace(id, Timer{timer, false}).first;
        // A queued tick may outlive the window: it finds the window through a weak handle.
        std::weak_ptr<HWND__*> self = self_;
        QObject::connect(timer, &QTimer::timeout, timer, [self, id, timer] {
            auto window = self.lock();
            if (!window || !*window) return;
            auto found = (*window)->timers_.find(id);
            if (found == (*window)->timers_.end() || found->second.pending) return;
            found->second.pending = true;
            QMetaObject::invokeMethod(
                timer,
                [self, id] {
                    if (auto w = self.lock(); w && *w) (*w)->deliverTimer(id);
                },
                Qt::QueuedConnection);
        });
    }
    it->second.timer->start(static_cast<int>(std::max(elapse, kMinimumTimerPeriod)));
}

void HWND__::deliverTimer(UINT_PTR id) {
    auto it = timers_.find(id);
    if (it == timers_.end() || destroyed_) return;
    it->second.pending = false;
    send(WM_TIMER, id, 0);
}

bool HWND__::killTimer(UINT_PTR id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return false;
    // deleteLater: the timer may be the one whose queued tick is running right now.
    it->second.timer->stop();
    it->second.timer->deleteLater();
    --s_timerCount;
    timers_.erase(it);
    return true;
}

void HWND__::killAllTimers() {
    while (!timers_.empty()) killTimer(timers_.begin()->first);
}

int HWND__::activeTimerCount() { return s_timerCount; }

int HWND__::liveWindowCount() { return static_cast<int>(handles().size()); }

void HWND__::destroyMessages() { send(WM_DESTROY, 0, 0); }

void HWND__::ncDestroy() {
    CWnd* object = attached_;
    attached_ = nullptr;
    if (temporary_) temporary_->m_hWnd = nullptr;
    temporary_.reset();
    if (object) {
        object->m_hWnd = nullptr;
        object->PostNcDestroy(); // may delete the object
    }
}

// Win32's order: WM_DESTROY to the window, then to its children; WM_NCDESTROY to the
// children, then to the window.
void HWND__::destroy(bool immediate) {
    if (destroyed_ || destroying_) return;
    QWidget* w = widget();
    std::vector<HWND__*> windows{this};
    for (QWidget* child : w->findChildren<QWidget*>())
        if (HWND h = fromWidget(child); h && !h->destroyed_) windows.push_back(h);
    for (HWND h : windows) {
        h->destroying_ = true;
        h->killAllTimers();
    }
    for (HWND h : windows) h->destroyMessages();
    for (HWND h : windows) h->destroyed_ = true;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) (*it)->ncDestroy();
    w->hide();
    if (immediate)
        delete w;
    else
        w->deleteLater();
}

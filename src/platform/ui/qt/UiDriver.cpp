// SPDX-License-Identifier: MIT
#include "platform/ui/UiDriver.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "platform/ui/Win32Api.h"
#include "platform/ui/qt/ComboBoxWidget.h"
#include "platform/ui/qt/ListBoxWidget.h"
#include "platform/ui/qt/WindowCore.h"

namespace {

template <typename T>
T* widgetOf(const CWnd& window) {
    return HWND__::isLive(window.m_hWnd) ? dynamic_cast<T*>(window.m_hWnd->widget()) : nullptr;
}

void sendKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

void sendMouse(QWidget* target, QEvent::Type type, const QPoint& pos) {
    QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

QPoint itemCentre(QListWidget* list, int index) {
    list->doItemsLayout(); // lists lay out lazily
    list->scrollToItem(list->item(index));
    return list->visualItemRect(list->item(index)).center();
}

} // namespace

bool UiDriver::ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= timeoutMs) return done();
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void UiDriver::ProcessEvents(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (clock.elapsed() < milliseconds);
}

void UiDriver::Post(std::function<void()> action) { QTimer::singleShot(0, qApp, std::move(action)); }

void UiDriver::FlushDeletes() {
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

BOOL UiDriver::OpenDropDown(CWnd& combo) {
    auto* box = widgetOf<ComboBoxWidget>(combo);
    if (!box || !box->isEnabled()) return FALSE;
    box->showPopup();
    return TRUE;
}

BOOL UiDriver::CloseDropDown(CWnd& combo) {
    auto* box = widgetOf<ComboBoxWidget>(combo);
    if (!box || !IsDropDownOpen(combo)) return FALSE;
    sendKey(box->view(), Qt::Key_Escape);
    return TRUE;
}

BOOL UiDriver::ChooseComboItem(CWnd& combo, int index) {
    auto* box = widgetOf<ComboBoxWidget>(combo);
    if (!box || index < 0 || index >= box->count() || !OpenDropDown(combo)) return FALSE;
    box->view()->setCurrentIndex(box->model()->index(index, 0));
    sendKey(box->view(), Qt::Key_Return);
    return TRUE;
}

BOOL UiDriver::PressKey(CWnd& window, Key key) {
    if (!HWND__::isLive(window.m_hWnd)) return FALSE;
    QWidget* widget = window.m_hWnd->widget();
    QWidget* target = widget->focusWidget() ? widget->focusWidget() : widget;
    static constexpr int kKeys[] = {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Down, Qt::Key_Up};
    sendKey(target, kKeys[static_cast<int>(key)]);
    return TRUE;
}

BOOL UiDriver::ClickButton(CWnd& dialog, int nID) {
    HWND h = ::GetDlgItem(dialog.m_hWnd, nID);
    auto* button = h ? dynamic_cast<QPushButton*>(h->widget()) : nullptr;
    if (!button || !button->isEnabled()) return FALSE;
    const QPoint centre = button->rect().center();
    sendMouse(button, QEvent::MouseButtonPress, centre);
    sendMouse(button, QEvent::MouseButtonRelease, centre);
    return TRUE;
}

BOOL UiDriver::ClickListItem(CWnd& list, int index) {
    auto* box = widgetOf<ListBoxWidget>(list);
    if (!box || !box->isEnabled() || index < 0 || index >= box->count()) return FALSE;
    const QPoint centre = itemCentre(box, index);
    sendMouse(box->viewport(), QEvent::MouseButtonPress, centre);
    sendMouse(box->viewport(), QEvent::MouseButtonRelease, centre);
    return TRUE;
}

BOOL UiDriver::DoubleClickListItem(CWnd& list, int index) {
    if (!ClickListItem(list, index)) return FALSE;
    auto* box = widgetOf<ListBoxWidget>(list);
    const QPoint centre = itemCentre(box, index);
    sendMouse(box->viewport(), QEvent::MouseButtonDblClick, centre);
    if (widgetOf<ListBoxWidget>(list)) sendMouse(box->viewport(), QEvent::MouseButtonRelease, centre);
    return TRUE;
}

BOOL UiDriver::ClickCloseBox(CWnd& dialog) {
    if (!HWND__::isLive(dialog.m_hWnd)) return FALSE;
    dialog.m_hWnd->widget()->close();
    return TRUE;
}

void UiDriver::FireTimer(CWnd& window, UINT_PTR nIDEvent) { window.SendMessage(WM_TIMER, nIDEvent, 0); }

bool UiDriver::IsTimerRunning(const CWnd& window, UINT_PTR nIDEvent) {
    return HWND__::isLive(window.m_hWnd) && window.m_hWnd->hasTimer(nIDEvent);
}

bool UiDriver::IsWaitCursorShown(const CWnd& window) {
    return HWND__::isLive(window.m_hWnd) && window.m_hWnd->widget()->testAttribute(Qt::WA_SetCursor) &&
           window.m_hWnd->widget()->cursor().shape() == Qt::WaitCursor;
}

bool UiDriver::IsDropDownOpen(const CWnd& combo) {
    auto* box = widgetOf<ComboBoxWidget>(combo);
    return box && box->view()->isVisible();
}

int UiDriver::LiveWindowCount() { return HWND__::liveWindowCount(); }

int UiDriver::ActiveTimerCount() { return HWND__::activeTimerCount(); }

// SPDX-License-Identifier: MIT
#include "platform/ui/qt/DialogWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>

#include "platform/resources/WindowStyles.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/qt/ButtonWidget.h"
#include "platform/ui/qt/WindowIcons.h"

DialogWidget::DialogWidget(QWidget* parent, UINT id, DWORD style, bool child)
    : QWidget(parent, child ? Qt::Widget
                            : Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      HWND__(id, style),
      child_(child) {
    if (!child) setWindowIcon(ui_detail::defaultWindowIcon());
}

LRESULT DialogWidget::classProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog manager answers WM_CLOSE with a posted IDCANCEL, so the close box and a
    // WM_CLOSE sent by code both end up in the dialog's Cancel handling.
    if (message == WM_CLOSE) {
        ::PostMessage(this, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    }
    if (message == WM_COMMAND) return 0;
    return HWND__::classProc(message, wParam, lParam);
}

UINT DialogWidget::enterCommand() const {
    if (auto* focused = dynamic_cast<ButtonWidget*>(QApplication::focusWidget());
        focused && isAncestorOf(focused) && focused->isPushButton())
        return focused->id_;
    for (QObject* child : children()) {
        auto* button = dynamic_cast<ButtonWidget*>(child);
        if (!button || !button->isDefault()) continue;
        return button->isEnabled() ? button->id_ : 0;
    }
    return IDOK;
}

void DialogWidget::keyPressEvent(QKeyEvent* event) {
    // A page leaves the keys to its sheet, the dialog that owns the keyboard.
    if (child_ || event->modifiers() & ~Qt::KeypadModifier) {
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape: send(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (const UINT id = enterCommand()) send(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0);
        return;
    default: QWidget::keyPressEvent(event);
    }
}

void DialogWidget::closeEvent(QCloseEvent* event) {
    // The window goes only through DestroyWindow; the close box is a request.
    event->ignore();
    if (alive()) send(WM_CLOSE, 0, 0);
}

// SPDX-License-Identifier: MIT
#include "platform/ui/WindowRender.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPixmap>

#include "platform/ui/qt/WindowCore.h"

BOOL RenderWindowToPng(CWnd& window, const char* path) {
    if (!path || !HWND__::isLive(window.m_hWnd)) return FALSE;
    QWidget* widget = window.m_hWnd->widget();
    widget->ensurePolished();
    // Item views lay out lazily; a grab straight after filling one would show it empty.
    for (QAbstractItemView* view : widget->findChildren<QAbstractItemView*>()) view->doItemsLayout();
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return widget->grab().save(QString::fromLocal8Bit(path), "PNG") ? TRUE : FALSE;
}

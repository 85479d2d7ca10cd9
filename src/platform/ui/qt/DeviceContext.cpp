// SPDX-License-Identifier: MIT
#include "platform/ui/qt/DeviceContext.h"

#include "platform/ui/CDC.h"

HDC__::HDC__(QPainter& p, const QFont& f) : painter(p), font(f) { painter.setFont(font); }

HDC__::~HDC__() {
    if (object) object->m_hDC = nullptr;
}

namespace ui_detail {

QColor toQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

COLORREF fromQColor(const QColor& color) {
    return RGB(static_cast<BYTE>(color.red()), static_cast<BYTE>(color.green()), static_cast<BYTE>(color.blue()));
}

// Win32 rectangles exclude their right and bottom edges, as QRect's width and height do.
QRect toQRect(const RECT& rect) { return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top); }

RECT fromQRect(const QRect& rect) {
    return RECT{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

void fillSolid(HDC dc, const RECT& rect, COLORREF color) { dc->painter.fillRect(toQRect(rect), toQColor(color)); }

} // namespace ui_detail

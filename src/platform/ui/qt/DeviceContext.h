// SPDX-License-Identifier: MIT
// What drawing handles name: a device context over a QPainter with Win32's drawing state
// (text colour, background mode and colour), an icon's pixmap, a solid brush's colour.
#pragma once

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <memory>

#include "platform/ui/Win32Ui.h"

class CDC;

struct HDC__ {
    HDC__(QPainter& painter, const QFont& font);
    ~HDC__();
    HDC__(const HDC__&) = delete;
    HDC__& operator=(const HDC__&) = delete;

    QPainter& painter;
    QFont font;
    // A fresh Win32 device context: black text on an opaque white background.
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    std::unique_ptr<CDC> object; // what CDC::FromHandle answers
};

struct HICON__ {
    QPixmap pixmap;
};

struct HBRUSH__ {
    COLORREF color;
};

namespace ui_detail {
QColor toQColor(COLORREF color);
COLORREF fromQColor(const QColor& color);
QRect toQRect(const RECT& rect);
RECT fromQRect(const QRect& rect);
void fillSolid(HDC dc, const RECT& rect, COLORREF color);
} // namespace ui_detail

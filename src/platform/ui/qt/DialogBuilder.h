// SPDX-License-Identifier: MIT
// Builds a dialog's window and its controls from a template in dialog units, laid out with
// the base units of the look's dialog font, as Windows lays out a template in its font.
#pragma once

#include "platform/resources/ResourceTypes.h"
#include "platform/ui/qt/Look.h"
#include "platform/ui/qt/WindowCore.h"

class DialogWidget;
class QWidget;
class QRect;

namespace ui_detail {

// One control of a window class at a rectangle in pixels (for a combo box, with its dropped
// list); null for a class the layer does not make.
QWidget* createControl(const char* windowClass, const char* utf8Text, UINT id, DWORD style, const QRect& rect,
                       QWidget* parent);

// The base units the template is laid out in: the dialog font's, widened in the native look
// until every text of the template fits whole in its control.
BaseUnits unitsFor(const DialogTemplate& dialog, const QFont& font);

// The same as CWnd::Create makes it: a rectangle in pixels in the parent window.
HWND createChildControl(const char* windowClass, const char* utf8Text, UINT id, DWORD style, const RECT& rect,
                        HWND parent);

// Null without a QApplication. A child dialog (a property page) has no frame or caption.
DialogWidget* buildDialog(const DialogTemplate& dialog, HWND parent, bool child);

} // namespace ui_detail

// Builds a dialog's window and its controls from a template in dialog units, laid out with
// the base units of the look's dialog font, as Windows lays out a template in its font.
#pragma once

#include "platform/resources/ResourceTypes.h"

class DialogWidget;
class QWidget;
class QRect;

namespace ui_detail {

// One control of a window class at a rectangle in pixels (for a combo box, with its dropped
// list); null for a class the layer does not make.
QWidget* createControl(const char* windowClass, const char* utf8Text, UINT id, DWORD style, const QRect& rect,
                       QWidget* parent);

// Null without a QApplication. A child dialog (a property page) has no frame or caption.
DialogWidget* buildDialog(const DialogTemplate& dialog, QWidget* parent, bool child);

} // namespace ui_detail

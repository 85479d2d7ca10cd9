// Builds a dialog's window and its controls from a template in dialog units, laid out with
// the base units of the look's dialog font, as Windows lays out a template in its font.
#pragma once

#include "platform/resources/ResourceTypes.h"

class DialogWidget;
class QWidget;

namespace ui_detail {

// Null without a QApplication. A child dialog (a property page) has no frame or caption.
DialogWidget* buildDialog(const DialogTemplate& dialog, QWidget* parent, bool child);

} // namespace ui_detail

// SPDX-License-Identifier: MIT
// The message boxes a user sees: Qt's, with the stop, question, warning or information icon
// and OK (or OK and Cancel), modal over the owner window.
#pragma once

#include "platform/ui/MessageBoxService.h"

namespace ui_detail {
MessageBoxService& windowMessageBoxes();
}

// SPDX-License-Identifier: MIT
// The icons of the layer's top-level windows as the desktop sees them (_NET_WM_ICON on X11):
// a window's own (WM_SETICON), else the layer's default (SetDefaultWindowIcon), so that task
// bars and window switchers show the module's pixel art, never a generic icon.
#pragma once

#include <QIcon>

#include "platform/ui/Win32Ui.h"

namespace ui_detail {

// The icon for a window with these Win32 icons (either may be null): each at its own size and
// at twice it, pixel for pixel, for docks that want a larger one; the default when both are
// null.
QIcon windowIconFrom(HICON big, HICON small);
QIcon defaultWindowIcon();

} // namespace ui_detail

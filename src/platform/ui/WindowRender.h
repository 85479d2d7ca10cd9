// SPDX-License-Identifier: MIT
// Renders a window as it would show on screen, offscreen, into a PNG file: for tests and for
// screenshots of the dialogs.
#pragma once

#include "platform/ui/CWnd.h"

// FALSE when the window does not exist or the file cannot be written.
BOOL RenderWindowToPng(CWnd& window, const char* path);

// SPDX-License-Identifier: MIT
// The application object windows need. A host that has none gets one on first use; the look
// (classic or VIDUR_LOOK=native) is applied to it once.
#pragma once

#include "platform/ui/Win32Ui.h"

// Creates the application object when the process has none; FALSE when it cannot.
bool EnsureUiApplication();
// Applies the look to the application in force (done anyway when the first window is made).
void ApplyUiLook();
// TRUE when the classic look found its bitmap font (Debian's fonts-wine).
bool ClassicFontAvailable();
// Why EnsureUiApplication answered FALSE, for the user ("the X display :5 does not answer");
// empty when it did not.
const char* UiApplicationFailure();
// The name under which the desktop knows the application, for a process whose application
// object the layer makes: its menu entry's file name without ".desktop", which docks match
// against the windows' class (WM_CLASS). Call it before the first window is made.
void SetUiApplicationName(const char* desktopName);
// The icon of every window the layer makes that was given none of its own (WM_SETICON),
// message boxes included; null for none.
void SetDefaultWindowIcon(HICON icon);

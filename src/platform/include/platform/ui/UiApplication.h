// SPDX-License-Identifier: MIT
// The application object windows need. A host that has none gets one on first use; the look
// (classic or VIDUR_LOOK=native) is applied to it once.
#pragma once

// Creates the application object when the process has none; FALSE when it cannot.
bool EnsureUiApplication();
// Applies the look to the application in force (done anyway when the first window is made).
void ApplyUiLook();
// TRUE when the classic look found its bitmap font (Debian's fonts-wine).
bool ClassicFontAvailable();

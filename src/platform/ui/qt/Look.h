// SPDX-License-Identifier: MIT
// The look windows are drawn in. Classic (the default): Qt's Windows style with its own
// palette and the bitmap MS Sans Serif at 11 pixels, so dialog units come out at the pixel
// sizes of the original. VIDUR_LOOK=native: the desktop's style and font, with dialog units
// computed from that font.
#pragma once

#include <QFont>
#include <QRect>

#include "platform/core/Win32Types.h"

namespace ui_detail {

struct BaseUnits {
    int x; // average character width, pixels
    int y; // character height, pixels
};

// Applies the look to the application once; needs the QApplication.
void ensureLookApplied();
bool nativeLook();
bool classicFontAvailable();
QFont dialogFont();
BaseUnits baseUnits(const QFont& font);
int mulDiv(int number, int numerator, int denominator); // rounded as Win32 MulDiv
QRect dialogUnitsToPixels(int x, int y, int cx, int cy, BaseUnits units);

} // namespace ui_detail

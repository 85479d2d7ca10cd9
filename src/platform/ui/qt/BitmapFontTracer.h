// SPDX-License-Identifier: MIT
// Reads a font's glyphs as the pixels it draws at one device pixel per pixel, for the outline
// twin of a bitmap font (OutlineFontWriter.h).
#pragma once

#include <QFont>

#include "platform/ui/qt/PixelFont.h"

namespace ui_detail {

// Every character of the Basic Multilingual Plane the font has, drawn as it draws it
// unscaled; pixelsPerEm is the font's pixel size.
PixelFont traceBitmapFont(const QFont& font);

} // namespace ui_detail

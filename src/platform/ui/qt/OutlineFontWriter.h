// SPDX-License-Identifier: MIT
// A bitmap font written as a TrueType font whose outlines are its pixels, one square each.
// A bitmap font cannot be scaled: FreeType draws its strike at its own size whatever the
// scale, so at two device pixels per pixel its glyphs come out half size while their advances
// double. The twin drawn at one device pixel per font pixel gives the bitmap's own pixels, and
// at two each pixel as a 2 x 2 square: the unscaled text, doubled. Unhinted and without
// antialiasing, so no edge moves off the pixel grid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/qt/PixelFont.h"

namespace ui_detail {

// The TrueType file of the font's twin, family `family`, style "Regular".
std::vector<std::uint8_t> writeOutlineFont(const PixelFont& font, const std::string& family);

} // namespace ui_detail

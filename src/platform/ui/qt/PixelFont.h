// SPDX-License-Identifier: MIT
// A bitmap font's glyphs as pixels: what BitmapFontTracer reads from a font and
// OutlineFontWriter turns into a scalable twin.
#pragma once

#include <cstdint>
#include <vector>

namespace ui_detail {

struct PixelGlyph {
    char16_t code = 0;
    int advance = 0; // pixels
    // The box of the glyph's ink: its first column in pixels right of the origin, the top of
    // its first row in pixels above the baseline (either may be negative), and its size; the
    // pixels row by row, 1 for ink.
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> ink;

    bool at(int x, int y) const { return ink[static_cast<std::size_t>(y) * width + x] != 0; }
};

struct PixelFont {
    int pixelsPerEm = 0; // the pixel size that draws one font pixel per device pixel
    int ascent = 0;
    int descent = 0;
    std::vector<PixelGlyph> glyphs; // by code, ascending, at most one per code
};

} // namespace ui_detail

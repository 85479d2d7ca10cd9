// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpServerIcon.h"

namespace appletalk::afp {

namespace {

constexpr int kSide = 32;
constexpr int kRowBytes = kSide / 8;
// The tower's case, in pixels: columns [left, right], rows [top, bottom].
constexpr int kLeft = 8, kRight = 23, kTop = 2, kBottom = 28;

void setPixel(std::array<std::uint8_t, kIconAndMaskSize>& image, std::size_t base, int x, int y) {
    image[base + static_cast<std::size_t>(y * kRowBytes + x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
}

bool onOutline(int x, int y) { return x == kLeft || x == kRight || y == kTop || y == kBottom; }

// Two drive slots and a row of vents: lines inside the case.
bool onDetail(int x, int y) {
    const bool inside = x > kLeft + 2 && x < kRight - 2;
    return (inside && (y == 6 || y == 10)) || (x > kLeft + 2 && x < kLeft + 6 && y == 14) ||
           (inside && y > 18 && y < 26 && y % 2 == 0);
}

} // namespace

std::array<std::uint8_t, kIconAndMaskSize> serverIconAndMask() {
    std::array<std::uint8_t, kIconAndMaskSize> image{};
    const std::size_t maskBase = kIconAndMaskSize / 2;
    for (int y = kTop; y <= kBottom + 1; ++y) {
        for (int x = kLeft - 2; x <= kRight + 2; ++x) {
            const bool foot = y == kBottom + 1; // the stand, wider than the case
            const bool inCase = x >= kLeft && x <= kRight && y <= kBottom;
            if (inCase || foot) setPixel(image, maskBase, x, y);
            if ((inCase && (onOutline(x, y) || onDetail(x, y))) || foot) setPixel(image, 0, x, y);
        }
    }
    return image;
}

} // namespace appletalk::afp

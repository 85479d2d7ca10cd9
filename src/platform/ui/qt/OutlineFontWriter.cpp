// SPDX-License-Identifier: MIT
#include "platform/ui/qt/OutlineFontWriter.h"

#include <algorithm>
#include <array>
#include <map>

namespace ui_detail {
namespace {

// Font units per font pixel: every edge lies on a multiple, so any whole scale keeps it on the
// device pixel grid.
constexpr int kUnitsPerPixel = 64;

class BigEndian {
public:
    void u8(unsigned value) { bytes_.push_back(static_cast<std::uint8_t>(value)); }
    void u16(unsigned value) {
        u8(value >> 8 & 0xFF);
        u8(value & 0xFF);
    }
    void i16(int value) { u16(static_cast<unsigned>(value) & 0xFFFF); }
    void u32(std::uint32_t value) {
        u16(value >> 16);
        u16(value & 0xFFFF);
    }
    void tag(const char* name) {
        for (int i = 0; i < 4; ++i) u8(static_cast<unsigned char>(name[i]));
    }
    void append(const std::vector<std::uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
    void padTo4() {
        while (bytes_.size() % 4) u8(0);
    }
    void putU32At(std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
    std::size_t size() const { return bytes_.size(); }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

std::uint32_t checksum(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t length) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < length; i += 4) {
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < 4; ++k) word = word << 8 | (i + k < length ? bytes[from + i + k] : 0);
        sum += word;
    }
    return sum;
}

// Columns [x0, x1) of rows [y0, y1) of a glyph's box, all ink.
struct PixelRect {
    int x0, y0, x1, y1;
};

// The ink as rectangles: each row's runs, a run grown downward while the next row has the same.
std::vector<PixelRect> rectanglesOf(const PixelGlyph& glyph) {
    std::vector<PixelRect> done;
    std::map<std::pair<int, int>, PixelRect> open; // by (x0, x1)
    for (int y = 0; y <= glyph.height; ++y) {
        std::map<std::pair<int, int>, PixelRect> next;
        for (int x = 0; y < glyph.height && x < glyph.width;) {
            if (!glyph.at(x, y)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < glyph.width && glyph.at(x, y)) ++x;
            const auto key = std::make_pair(start, x);
            if (auto found = open.find(key); found != open.end()) {
                next[key] = {start, found->second.y0, x, y + 1};
                open.erase(found);
            } else {
                next[key] = {start, y, x, y + 1};
            }
        }
        for (const auto& [key, rect] : open) done.push_back(rect);
        open = std::move(next);
    }
    return done;
}

struct GlyphOutline {
    std::vector<std::uint8_t> data; // the glyf entry, empty for a glyph without ink
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    int points = 0, contours = 0;
};

// One clockwise square contour per rectangle (TrueType's y grows upward), all points on the
// curve, every coordinate a two-byte delta.
GlyphOutline outlineOf(const PixelGlyph& glyph) {
    GlyphOutline outline;
    const std::vector<PixelRect> rects = rectanglesOf(glyph);
    if (rects.empty()) return outline;
    std::vector<std::array<int, 2>> points;
    for (const PixelRect& r : rects) {
        const int left = (glyph.left + r.x0) * kUnitsPerPixel, right = (glyph.left + r.x1) * kUnitsPerPixel;
        const int top = (glyph.top - r.y0) * kUnitsPerPixel, bottom = (glyph.top - r.y1) * kUnitsPerPixel;
        points.insert(points.end(), {{left, top}, {right, top}, {right, bottom}, {left, bottom}});
    }
    outline.points = static_cast<int>(points.size());
    outline.contours = static_cast<int>(rects.size());
    outline.xMin = outline.xMax = points[0][0];
    outline.yMin = outline.yMax = points[0][1];
    for (const auto& [x, y] : points) {
        outline.xMin = std::min(outline.xMin, x), outline.xMax = std::max(outline.xMax, x);
        outline.yMin = std::min(outline.yMin, y), outline.yMax = std::max(outline.yMax, y);
    }
    BigEndian out;
    out.i16(outline.contours);
    for (int v : {outline.xMin, outline.yMin, outline.xMax, outline.yMax}) out.i16(v);
    for (int c = 0; c < outline.contours; ++c) out.u16(static_cast<unsigned>(c * 4 + 3));
    out.u16(0); // no instructions
    for (int p = 0; p < outline.points; ++p) out.u8(0x01); // on the curve, long x and y deltas
    for (int axis = 0; axis < 2; ++axis) {
        int last = 0;
        for (const auto& point : points) {
            out.i16(point[axis] - last);
            last = point[axis];
        }
    }
    out.padTo4();
    outline.data = std::move(out.bytes());
    return outline;
}

// Format 4: one segment per run of consecutive codes, whose glyphs are consecutive too.
std::vector<std::uint8_t> cmapTable(const PixelFont& font) {
    struct Segment {
        unsigned start, end;
        int delta;
    };
    std::vector<Segment> segments;
    for (std::size_t i = 0; i < font.glyphs.size(); ++i) {
        const unsigned code = font.glyphs[i].code;
        const int glyphId = static_cast<int>(i) + 1;
        if (!segments.empty() && segments.back().end + 1 == code)
            segments.back().end = code;
        else
            segments.push_back({code, code, glyphId - static_cast<int>(code)});
    }
    if (segments.empty() || segments.back().end != 0xFFFF) segments.push_back({0xFFFF, 0xFFFF, 1});
    const unsigned count = static_cast<unsigned>(segments.size());
    unsigned power = 1, log2 = 0;
    while (power * 2 <= count) power *= 2, ++log2;
    BigEndian out;
    out.u16(0); // version
    out.u16(1); // one encoding
    out.u16(3), out.u16(1), out.u32(12); // Windows, Unicode BMP, at offset 12
    out.u16(4);
    out.u16(16 + 8 * count);
    out.u16(0); // language
    out.u16(count * 2), out.u16(power * 2), out.u16(log2), out.u16(count * 2 - power * 2);
    for (const Segment& s : segments) out.u16(s.end);
    out.u16(0);
    for (const Segment& s : segments) out.u16(s.start);
    for (const Segment& s : segments) out.i16(s.delta);
    for (std::size_t i = 0; i < segments.size(); ++i) out.u16(0);
    return std::move(out.bytes());
}

// The names in ASCII, as UTF-16 for the Windows platform.
std::vector<std::uint8_t> nameTable(const std::string& family) {
    std::string postScript = family;
    postScript.erase(std::remove(postScript.begin(), postScript.end(), ' '), postScript.end());
    const std::pair<unsigned, std::string> names[] = {
        {1, family}, {2, "Regular"}, {3, family + " Regular"}, {4, family}, {6, postScript}};
    BigEndian records;
    BigEndian strings;
    for (const auto& [id, text] : names) {
        records.u16(3), records.u16(1), records.u16(0x0409), records.u16(id);
        records.u16(static_cast<unsigned>(text.size() * 2)), records.u16(static_cast<unsigned>(strings.size()));
        for (unsigned char c : text) strings.u16(c);
    }
    BigEndian out;
    out.u16(0);
    out.u16(static_cast<unsigned>(std::size(names)));
    out.u16(static_cast<unsigned>(6 + records.size()));
    out.append(records.bytes());
    out.append(strings.bytes());
    return std::move(out.bytes());
}

struct Table {
    const char* tag;
    std::vector<std::uint8_t> data;
};

// Puts the tables together (in tag order, four-byte aligned, with their checksums) and sets
// head's checksum adjustment.
std::vector<std::uint8_t> assemble(std::vector<Table> tables) {
    std::sort(tables.begin(), tables.end(),
              [](const Table& a, const Table& b) { return std::string(a.tag, 4) < std::string(b.tag, 4); });
    const unsigned count = static_cast<unsigned>(tables.size());
    unsigned power = 1, log2 = 0;
    while (power * 2 <= count) power *= 2, ++log2;
    BigEndian out;
    out.u32(0x00010000);
    out.u16(count), out.u16(power * 16), out.u16(log2), out.u16(count * 16 - power * 16);
    std::size_t offset = 12 + 16 * tables.size();
    std::size_t headAt = 0;
    for (const Table& table : tables) {
        out.tag(table.tag);
        out.u32(checksum(table.data, 0, table.data.size()));
        out.u32(static_cast<std::uint32_t>(offset));
        out.u32(static_cast<std::uint32_t>(table.data.size()));
        if (std::string(table.tag, 4) == "head") headAt = offset;
        offset += (table.data.size() + 3) / 4 * 4;
    }
    for (const Table& table : tables) {
        out.append(table.data);
        out.padTo4();
    }
    out.putU32At(headAt + 8, 0xB1B0AFBAu - checksum(out.bytes(), 0, out.size()));
    return std::move(out.bytes());
}

} // namespace

std::vector<std::uint8_t> writeOutlineFont(const PixelFont& font, const std::string& family) {
    const int unitsPerEm = font.pixelsPerEm * kUnitsPerPixel;
    const int ascent = font.ascent * kUnitsPerPixel;
    const int descent = font.descent * kUnitsPerPixel;
    // Glyph 0, the missing glyph, draws nothing; the font's own glyphs follow by code.
    std::vector<GlyphOutline> outlines(1);
    std::vector<int> advances{font.pixelsPerEm / 2 * kUnitsPerPixel};
    for (const PixelGlyph& glyph : font.glyphs) {
        outlines.push_back(outlineOf(glyph));
        advances.push_back(glyph.advance * kUnitsPerPixel);
    }
    const unsigned glyphCount = static_cast<unsigned>(outlines.size());
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0, maxPoints = 0, maxContours = 0, advanceMax = 0;
    int minLeft = 0, minRight = 0, maxExtent = 0;
    BigEndian glyf, loca, hmtx;
    for (std::size_t i = 0; i < outlines.size(); ++i) {
        const GlyphOutline& o = outlines[i];
        loca.u32(static_cast<std::uint32_t>(glyf.size()));
        glyf.append(o.data);
        hmtx.u16(static_cast<unsigned>(advances[i])), hmtx.i16(o.xMin);
        advanceMax = std::max(advanceMax, advances[i]);
        if (o.data.empty()) continue;
        xMin = std::min(xMin, o.xMin), yMin = std::min(yMin, o.yMin);
        xMax = std::max(xMax, o.xMax), yMax = std::max(yMax, o.yMax);
        maxPoints = std::max(maxPoints, o.points), maxContours = std::max(maxContours, o.contours);
        minLeft = std::min(minLeft, o.xMin), minRight = std::min(minRight, advances[i] - o.xMax);
        maxExtent = std::max(maxExtent, o.xMax);
    }
    loca.u32(static_cast<std::uint32_t>(glyf.size()));

    BigEndian head;
    head.u32(0x00010000), head.u32(0x00010000), head.u32(0), head.u32(0x5F0F3CF5);
    head.u16(0x000B); // baseline at y 0, side bearing point at x 0, whole pixel sizes
    head.u16(static_cast<unsigned>(unitsPerEm));
    for (int i = 0; i < 4; ++i) head.u32(0); // created, modified: none
    for (int v : {xMin, yMin, xMax, yMax}) head.i16(v);
    head.u16(0), head.u16(6), head.i16(2), head.i16(1), head.i16(0); // style, smallest size, direction, long loca

    BigEndian hhea;
    hhea.u32(0x00010000), hhea.i16(ascent), hhea.i16(-descent), hhea.i16(0);
    hhea.u16(static_cast<unsigned>(advanceMax)), hhea.i16(minLeft), hhea.i16(minRight), hhea.i16(maxExtent);
    hhea.i16(1), hhea.i16(0), hhea.i16(0); // upright caret
    for (int i = 0; i < 5; ++i) hhea.i16(0);
    hhea.u16(glyphCount);

    BigEndian maxp;
    maxp.u32(0x00010000), maxp.u16(glyphCount), maxp.u16(static_cast<unsigned>(maxPoints));
    maxp.u16(static_cast<unsigned>(maxContours)), maxp.u16(0), maxp.u16(0), maxp.u16(2);
    for (int i = 0; i < 8; ++i) maxp.u16(0);

    BigEndian os2; // version 4
    const unsigned first = font.glyphs.empty() ? 0 : font.glyphs.front().code;
    const unsigned last = font.glyphs.empty() ? 0 : font.glyphs.back().code;
    os2.u16(4), os2.i16(advanceMax / 2), os2.u16(400), os2.u16(5), os2.u16(0);
    for (int i = 0; i < 10; ++i) os2.i16(0); // sub- and superscript, strikeout
    os2.i16(0);
    for (int i = 0; i < 10; ++i) os2.u8(0); // PANOSE: any
    os2.u32(1), os2.u32(0), os2.u32(0), os2.u32(0); // Basic Latin
    os2.tag("    ");
    os2.u16(0x40), os2.u16(first), os2.u16(last); // regular
    os2.i16(ascent), os2.i16(-descent), os2.i16(0), os2.u16(static_cast<unsigned>(ascent));
    os2.u16(static_cast<unsigned>(descent));
    os2.u32(1), os2.u32(0); // Latin 1
    os2.i16(0), os2.i16(0), os2.u16(0), os2.u16(' '), os2.u16(1);

    BigEndian post;
    post.u32(0x00030000), post.u32(0), post.i16(-descent / 2), post.i16(kUnitsPerPixel);
    for (int i = 0; i < 5; ++i) post.u32(0);

    return assemble({{"OS/2", std::move(os2.bytes())},
                     {"cmap", cmapTable(font)},
                     {"glyf", std::move(glyf.bytes())},
                     {"head", std::move(head.bytes())},
                     {"hhea", std::move(hhea.bytes())},
                     {"hmtx", std::move(hmtx.bytes())},
                     {"loca", std::move(loca.bytes())},
                     {"maxp", std::move(maxp.bytes())},
                     {"name", nameTable(family)},
                     {"post", std::move(post.bytes())}});
}

} // namespace ui_detail

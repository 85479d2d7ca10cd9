// SPDX-License-Identifier: MIT
#include "platform/ui/qt/BitmapFontTracer.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <algorithm>

namespace ui_detail {
namespace {

// The glyph drawn in black on white with its origin well inside, and the box of its ink.
PixelGlyph traceGlyph(const QRawFont& raw, char16_t code, quint32 index, int ascent, int descent, int margin) {
    PixelGlyph glyph;
    glyph.code = code;
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(QList<quint32>{index});
    glyph.advance = advances.isEmpty() ? 0 : qRound(advances.first().x());
    QImage canvas(glyph.advance + 2 * margin, ascent + descent + 2 * margin, QImage::Format_RGB32);
    canvas.setDevicePixelRatio(1.0);
    canvas.fill(Qt::white);
    const QPoint origin(margin, margin + ascent);
    {
        QPainter painter(&canvas);
        painter.setPen(Qt::black);
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes({index});
        run.setPositions({QPointF(0, 0)});
        painter.drawGlyphRun(origin, run);
    }
    int minX = canvas.width(), minY = canvas.height(), maxX = -1, maxY = -1;
    const auto inked = [&](int x, int y) { return qGray(canvas.pixel(x, y)) < 128; };
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            if (!inked(x, y)) continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    if (maxX < 0) return glyph; // a space
    glyph.left = minX - origin.x();
    glyph.top = origin.y() - minY;
    glyph.width = maxX - minX + 1;
    glyph.height = maxY - minY + 1;
    glyph.ink.resize(static_cast<std::size_t>(glyph.width) * glyph.height);
    for (int y = 0; y < glyph.height; ++y)
        for (int x = 0; x < glyph.width; ++x)
            glyph.ink[static_cast<std::size_t>(y) * glyph.width + x] = inked(minX + x, minY + y) ? 1 : 0;
    return glyph;
}

} // namespace

PixelFont traceBitmapFont(const QFont& font) {
    PixelFont traced;
    const QFontMetrics metrics(font);
    traced.pixelsPerEm = font.pixelSize();
    traced.ascent = metrics.ascent();
    traced.descent = metrics.descent();
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid()) return traced;
    const int margin = std::max(traced.pixelsPerEm, 1);
    for (char32_t code = 0x20; code <= 0xFFFF; ++code) {
        if ((code >= 0xD800 && code <= 0xDFFF) || !raw.supportsCharacter(code)) continue;
        const QChar character(static_cast<char16_t>(code));
        const QList<quint32> indexes = raw.glyphIndexesForString(QString(character));
        if (indexes.size() != 1 || indexes.first() == 0) continue;
        traced.glyphs.push_back(
            traceGlyph(raw, static_cast<char16_t>(code), indexes.first(), traced.ascent, traced.descent, margin));
    }
    return traced;
}

} // namespace ui_detail

// SPDX-License-Identifier: MIT
// Build step: our XPM pixel art as the PNG sizes of a desktop icon theme. Larger sizes keep
// the pixels square (nearest neighbour); smaller ones are smoothed so they stay legible.
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: vidur_xpm_to_png INPUT.xpm SIZE OUTPUT.png\n");
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]), "XPM");
    const int size = QString::fromLocal8Bit(argv[2]).toInt();
    if (source.isNull() || size <= 0) {
        std::fprintf(stderr, "vidur_xpm_to_png: cannot read %s at size %s\n", argv[1], argv[2]);
        return 2;
    }
    const auto mode = size >= source.width() ? Qt::FastTransformation : Qt::SmoothTransformation;
    const QImage scaled = source.convertToFormat(QImage::Format_ARGB32).scaled(size, size, Qt::IgnoreAspectRatio, mode);
    if (!scaled.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "vidur_xpm_to_png: cannot write %s\n", argv[3]);
        return 2;
    }
    return 0;
}

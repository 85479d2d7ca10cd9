// SPDX-License-Identifier: MIT
#include "platform/ui/qt/Look.h"

#include <QApplication>
#include <QByteArray>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <cstdlib>
#include <cstring>

#include "platform/ui/qt/BitmapFontTracer.h"
#include "platform/ui/qt/ClassicStyle.h"
#include "platform/ui/qt/OutlineFontWriter.h"

namespace ui_detail {
namespace {

constexpr const char* kClassicFontFile = "/usr/share/wine/fonts/ms_sans_serif.ttf";
// The bitmap face has a 13-pixel strike; pixel size 11 selects it at any DPI.
constexpr int kClassicPixelSize = 11;

constexpr const char* kOutlineTwinFamily = "vidur20 Classic Pixels";

bool g_applied = false;
QString g_classicFamily;
bool g_outlineTwin = false; // the family is the bitmap face's scalable twin

QFont classicFont(const QString& family) {
    QFont font(family);
    font.setPixelSize(kClassicPixelSize);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Where a pixel is more than one device pixel, the bitmap face's glyphs would stay at their
// own size: its twin whose outlines are its pixels draws them scaled whole.
void loadOutlineTwin() {
    const std::vector<std::uint8_t> file =
        writeOutlineFont(traceBitmapFont(classicFont(g_classicFamily)), kOutlineTwinFamily);
    const int id = QFontDatabase::addApplicationFontFromData(
        QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size())));
    if (id < 0 || QFontDatabase::applicationFontFamilies(id).isEmpty()) return;
    g_classicFamily = QFontDatabase::applicationFontFamilies(id).first();
    g_outlineTwin = true;
}

void loadClassicFont() {
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(kClassicFontFile));
    if (id < 0) return;
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) return;
    g_classicFamily = families.first();
    if (qApp->devicePixelRatio() != 1.0) loadOutlineTwin();
}

// The Windows style leaves Highlight to the platform theme (a light blue); take the style's
// own colours for every colour group.
void applyClassicPalette(QStyle* style) {
    QPalette palette = style->standardPalette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight,
                         style->standardPalette().color(QPalette::Active, QPalette::Highlight));
        palette.setColor(group, QPalette::HighlightedText,
                         style->standardPalette().color(QPalette::Active, QPalette::HighlightedText));
    }
    QApplication::setPalette(palette);
}

} // namespace

bool nativeLook() {
    const char* look = std::getenv("VIDUR_LOOK");
    return look && std::strcmp(look, "native") == 0;
}

void ensureLookApplied() {
    if (g_applied || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    g_applied = true;
    if (nativeLook()) return;
    if (QStyle* windows = QStyleFactory::create(QStringLiteral("Windows"))) {
        auto* style = new ClassicStyle(windows);
        QApplication::setStyle(style);
        applyClassicPalette(style);
    }
    loadClassicFont();
    // Set on the application, since fonts given to a dialog do not reach message boxes.
    QApplication::setFont(dialogFont());
}

bool classicFontAvailable() { return !g_classicFamily.isEmpty(); }

QFont dialogFont() {
    if (nativeLook()) return QApplication::font();
    QFont font = classicFont(g_classicFamily.isEmpty() ? QStringLiteral("DejaVu Sans") : g_classicFamily);
    // Hinting would move the twin's edges off the pixel grid.
    if (g_outlineTwin) font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Windows' way: the average width of the 52 letters, rounded, and the font's height. Qt's
// own average character width is wrong for the bitmap face.
BaseUnits baseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

int mulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

QRect dialogUnitsToPixels(int x, int y, int cx, int cy, BaseUnits units) {
    return {mulDiv(x, units.x, 4), mulDiv(y, units.y, 8), mulDiv(cx, units.x, 4), mulDiv(cy, units.y, 8)};
}

} // namespace ui_detail

// SPDX-License-Identifier: MIT
// Owner drawing and resources: the device context's state calls answer the previous value,
// text and brushes draw where Win32 draws them, icons and strings come from the chain.
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <set>

#include "TestDialogs.h"
#include "platform/ui/CDC.h"
#include "platform/ui/UiApplication.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/qt/BitmapFontTracer.h"
#include "platform/ui/qt/DeviceContext.h"
#include "platform/ui/qt/Look.h"
#include "platform/ui/qt/OutlineFontWriter.h"

using namespace uitest;

namespace {

class DrawingTest : public ::testing::Test {
protected:
    DrawingTest() : image(64, 40, QImage::Format_RGB32), painter(&image), dc(painter, QFont()) {
        image.fill(Qt::white);
    }
    ~DrawingTest() override { painter.end(); }
    QRgb at(int x, int y) {
        painter.end();
        const QRgb pixel = image.pixel(x, y);
        painter.begin(&image);
        return pixel;
    }
    TestResources resources;
    QImage image;
    QPainter painter;
    HDC__ dc;
};

TEST_F(DrawingTest, StateCallsAnswerThePreviousValue) {
    CDC* cdc = CDC::FromHandle(&dc);
    EXPECT_EQ(cdc, CDC::FromHandle(&dc));
    EXPECT_EQ(cdc->GetBkMode(), OPAQUE) << "a fresh context paints text backgrounds";
    EXPECT_EQ(cdc->SetBkMode(TRANSPARENT), OPAQUE);
    EXPECT_EQ(cdc->SetBkMode(OPAQUE), TRANSPARENT);
    EXPECT_EQ(cdc->SetBkMode(7), 0) << "an unknown mode is refused";
    EXPECT_EQ(cdc->SetTextColor(RGB(255, 255, 255)), RGB(0, 0, 0));
    EXPECT_EQ(cdc->SetTextColor(RGB(1, 2, 3)), RGB(255, 255, 255));
}

TEST_F(DrawingTest, FillRectPaintsTheRectangleWithoutItsRightAndBottomEdges) {
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 128));
    const RECT rect{2, 2, 10, 10};
    EXPECT_EQ(FillRect(&dc, &rect, brush), 1);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush)) << "deleted once";
    EXPECT_EQ(at(2, 2), qRgb(0, 0, 128));
    EXPECT_EQ(at(9, 9), qRgb(0, 0, 128));
    EXPECT_EQ(at(10, 10), qRgb(255, 255, 255));
}

TEST_F(DrawingTest, DrawTextIsClippedToItsRectangle) {
    CDC* cdc = CDC::FromHandle(&dc);
    cdc->SetBkMode(TRANSPARENT);
    RECT rect{0, 0, 10, 40};
    cdc->DrawText("MMMMMMMMMM", -1, &rect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    bool inked = false;
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 40; ++y) inked = inked || at(x, y) != qRgb(255, 255, 255);
    EXPECT_TRUE(inked);
    for (int x = 10; x < 64; ++x)
        for (int y = 0; y < 40; ++y) ASSERT_EQ(at(x, y), qRgb(255, 255, 255)) << x << "," << y;
}

TEST_F(DrawingTest, IconsComeFromTheResourceChainAndDrawAt32Pixels) {
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    EXPECT_EQ(GetSystemMetrics(SM_CYICON), 32);
    HICON icon = LoadIcon(nullptr, MAKEINTRESOURCE(kIcon));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon, AfxLoadIcon(kIcon)) << "loaded once";
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(9299)), nullptr);
    EXPECT_TRUE(DrawIcon(&dc, 2, 0, icon));
    EXPECT_EQ(at(2 + 8, 8), qRgb(255, 0, 0));
    EXPECT_EQ(at(2 + 23, 23), qRgb(255, 0, 0));
    EXPECT_EQ(at(2 + 24, 24), qRgb(255, 255, 255));
}

// On a display at two device pixels per pixel the pixel art stays square, whatever smoothing
// the painter was left with.
TEST_F(DrawingTest, IconsDoubleWithoutBlurOnAScaledDisplay) {
    QImage scaled(64, 64, QImage::Format_RGB32);
    scaled.setDevicePixelRatio(2);
    scaled.fill(Qt::white);
    {
        QPainter smooth(&scaled);
        smooth.setRenderHint(QPainter::SmoothPixmapTransform);
        HDC__ scaledDc(smooth, QFont());
        EXPECT_TRUE(DrawIcon(&scaledDc, 0, 0, AfxLoadIcon(kIcon)));
    }
    std::set<QRgb> colours;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) colours.insert(scaled.pixel(x, y));
    EXPECT_EQ(colours, (std::set<QRgb>{qRgb(255, 255, 255), qRgb(255, 0, 0)}));
    EXPECT_EQ(scaled.pixel(16, 16), qRgb(255, 0, 0));
    EXPECT_EQ(scaled.pixel(15, 15), qRgb(255, 255, 255));
}

// The classic face is a bitmap font, drawn at its own size whatever the scale. Its outline
// twin draws exactly its pixels unscaled, and each as a 2 x 2 square at scale 2.
TEST_F(DrawingTest, ClassicFontsOutlineTwinDrawsItsPixelsAtScaleOneAndTwo) {
    if (std::getenv("VIDUR_LOOK") || !ClassicFontAvailable()) GTEST_SKIP() << "no classic bitmap font here";
    const QFont bitmap = ui_detail::dialogFont();
    const std::vector<std::uint8_t> file = ui_detail::writeOutlineFont(ui_detail::traceBitmapFont(bitmap), "Twin Test");
    const int id = QFontDatabase::addApplicationFontFromData(
        QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size())));
    ASSERT_GE(id, 0) << "FreeType takes the font";
    QFont twin(QFontDatabase::applicationFontFamilies(id).value(0));
    twin.setPixelSize(bitmap.pixelSize());
    twin.setStyleStrategy(QFont::NoAntialias);
    twin.setHintingPreference(QFont::PreferNoHinting);

    const QString text = QString::fromUtf8("LaserWriter @ Réseau Ménagé: 0123 (000A) gjpqy");
    const QFontMetrics metrics(bitmap);
    EXPECT_EQ(QFontMetrics(twin).height(), metrics.height());
    EXPECT_EQ(QFontMetrics(twin).horizontalAdvance(text), metrics.horizontalAdvance(text));
    const auto draw = [&](const QFont& font, int scale) {
        QImage drawn(QSize(metrics.horizontalAdvance(text) + 4, metrics.height()) * scale, QImage::Format_RGB32);
        drawn.setDevicePixelRatio(scale);
        drawn.fill(Qt::white);
        QPainter onto(&drawn);
        onto.setFont(font);
        onto.setPen(Qt::black);
        onto.drawText(QPoint(2, metrics.ascent()), text);
        onto.end();
        drawn.setDevicePixelRatio(1);
        return drawn;
    };
    const QImage one = draw(bitmap, 1);
    EXPECT_EQ(draw(twin, 1), one);
    EXPECT_EQ(draw(twin, 2), one.scaled(one.size() * 2));
    QFontDatabase::removeApplicationFont(id);
}

TEST_F(DrawingTest, StringsComeInMacRoman) {
    CString text;
    EXPECT_TRUE(AfxLoadString(kStringFrench, text));
    EXPECT_EQ(text, "G\x8En\x8Eral");
    char buffer[4];
    EXPECT_EQ(LoadStringA(nullptr, kStringFrench, buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "G\x8En");
    EXPECT_FALSE(AfxLoadString(9199, text));
    EXPECT_TRUE(text.IsEmpty());
}

TEST_F(DrawingTest, ClassicHighlightIsNavy) {
    if (std::getenv("VIDUR_LOOK")) GTEST_SKIP() << "a look other than the classic one";
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(0, 0, 128));
}

} // namespace

// SPDX-License-Identifier: MIT
// Owner drawing and resources: the device context's state calls answer the previous value,
// text and brushes draw where Win32 draws them, icons and strings come from the chain.
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "TestDialogs.h"
#include "platform/ui/CDC.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/qt/DeviceContext.h"

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

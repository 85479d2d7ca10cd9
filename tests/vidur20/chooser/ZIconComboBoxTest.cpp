// SPDX-License-Identifier: MIT
// The Chooser's type box on the Chooser's own template: sorted by a case-sensitive byte
// comparison, exact look-ups, "=" for no type, items icon height + 4 high, the selected item
// white on the highlight colour. Entries are deleted with their items (the leak checker of
// the sanitizer build fails the run otherwise).
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/resources/ResourceChain.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/UiApplication.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/WindowRender.h"
#include "platform/ui/qt/DeviceContext.h"
#include "vidur20/chooser/ZICONList.h"
#include "vidur20/chooser/ZIconComboBox.h"
#include "vidur20/res/ResourceIds.h"
#include "vidur20/res/Vidur20Resources.h"

namespace {

constexpr UINT kRedIcon = 9300;

// 32 x 32 white with a red square from (8, 8) to (23, 23).
const char* const* redSquareXpm() {
    static std::vector<std::string> rows;
    static std::vector<const char*> xpm;
    if (xpm.empty()) {
        rows = {"32 32 2 1", ". c #FFFFFF", "r c #FF0000"};
        for (int y = 0; y < 32; ++y)
            rows.push_back(y >= 8 && y < 24 ? std::string(8, '.') + std::string(16, 'r') + std::string(8, '.')
                                            : std::string(32, '.'));
        for (const std::string& row : rows) xpm.push_back(row.c_str());
    }
    return xpm.data();
}

class ZIconComboBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const IconResource icons[] = {{kRedIcon, redSquareXpm()}};
        static const ResourceModule module{"icon tests", {}, {}, icons};
        testModule = &module;
        ResourceChain::instance().addModule(Vidur20ResourceModule());
        ResourceChain::instance().addModule(module);
        ResourceChain::instance().setLanguageOverride(kLangEnglishUS);
        ASSERT_TRUE(dialog.Create(IDD_CHOOSER));
        ASSERT_TRUE(box.SubclassDlgItem(IDC_TYPE_BOX, &dialog));
        box.SetItemHeight(-1, static_cast<UINT>(GetSystemMetrics(SM_CYICON) + 4));
    }
    void TearDown() override {
        if (dialog.m_hWnd) dialog.DestroyWindow();
        ResourceChain::instance().removeModule(*testModule);
        ResourceChain::instance().setLanguageOverride(std::nullopt);
    }
    std::vector<std::string> texts() {
        std::vector<std::string> out;
        char buffer[80];
        for (int i = 0; i < box.GetCount(); ++i) {
            box.GetItemText(i, buffer);
            out.emplace_back(buffer);
        }
        return out;
    }
    const ResourceModule* testModule = nullptr;
    CDialog dialog;
    ZIconComboBox box;
};

TEST_F(ZIconComboBoxTest, ItemsComeOutInCaseSensitiveByteOrder) {
    EXPECT_EQ(box.AddItem("LaserWriter", IDI_LASERWRITER), 0);
    EXPECT_EQ(box.AddItem("AFPServer", IDI_FILE_SERVER), 0);
    EXPECT_EQ(box.AddItem("ImageWriter", IDI_IMAGEWRITER), 1);
    EXPECT_EQ(box.AddItem("afpServer", IDI_FILE_SERVER), 3) << "lower case sorts after every capital";
    EXPECT_EQ(texts(), (std::vector<std::string>{"AFPServer", "ImageWriter", "LaserWriter", "afpServer"}));
    EXPECT_EQ(box.GetCurSel(), CB_ERR) << "adding selects nothing";
}

TEST_F(ZIconComboBoxTest, FindItemIsExactAndCaseSensitive) {
    EXPECT_EQ(box.FindItem("LaserWriter"), -1) << "empty box";
    box.AddItem("LaserWriter", IDI_LASERWRITER);
    box.AddItem("ImageWriter", IDI_IMAGEWRITER);
    EXPECT_EQ(box.FindItem("LaserWriter"), 1);
    EXPECT_EQ(box.FindItem("laserwriter"), -1);
    EXPECT_EQ(box.FindItem("Laser"), -1);
}

TEST_F(ZIconComboBoxTest, CurSelTextIsEqualsSignWithoutAType) {
    char text[34] = "old";
    EXPECT_EQ(box.GetCurSelText(text), -1);
    EXPECT_STREQ(text, "=");
    box.AddItem("", IDI_LASERWRITER);
    box.AddItem("LaserWriter", IDI_LASERWRITER);
    box.SetCurSel(0);
    EXPECT_EQ(box.GetCurSelText(text), 1);
    EXPECT_STREQ(text, "=");
    box.SetCurSel(1);
    EXPECT_EQ(box.GetCurSelText(text), 11);
    EXPECT_STREQ(text, "LaserWriter");
    char tiny[4];
    EXPECT_EQ(box.GetCurSelText(tiny), 3) << "a short buffer gets what fits";
    EXPECT_STREQ(tiny, "Las");
}

TEST_F(ZIconComboBoxTest, EveryItemIsIconHeightPlusFourHigh) {
    for (const char* text : {"", "A", "A much longer type name than any other"}) box.AddItem(text, IDI_LASERWRITER);
    for (int i = 0; i < box.GetCount(); ++i) EXPECT_EQ(box.GetItemHeight(i), 36) << i;
    EXPECT_EQ(box.GetItemHeight(-1), 36) << "the selection field, as the Chooser sets it";
}

TEST_F(ZIconComboBoxTest, EntriesGoWithTheirItems) {
    for (const char* text : {"a", "b", "c"}) box.AddItem(text, kRedIcon);
    EXPECT_EQ(box.DeleteString(1), 2);
    box.ResetContent();
    EXPECT_EQ(box.GetCount(), 0);
    box.AddItem("d", kRedIcon);
    dialog.DestroyWindow(); // deletes "d"
    EXPECT_EQ(box.m_hWnd, nullptr);
    EXPECT_EQ(box.AddItem("e", kRedIcon), CB_ERR) << "no window, no item, nothing leaked";
}

TEST_F(ZIconComboBoxTest, EntriesAndListsCarryTheirRunTimeClasses) {
    ZICONEntry entry("LaserWriter", 0x10000 | IDI_LASERWRITER);
    EXPECT_STREQ(entry.GetRuntimeClass()->m_lpszClassName, "ZICONEntry");
    EXPECT_EQ(entry.GetRuntimeClass()->m_pfnCreateObject, nullptr);
    char buffer[16];
    EXPECT_EQ(entry.GetText(buffer), 11);
    EXPECT_STREQ(buffer, "LaserWriter");
    entry.SetEntry("", 5);
    EXPECT_EQ(entry.GetText(buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(entry.GetIconID(), 5);
    ZICONList list;
    EXPECT_STREQ(list.GetRuntimeClass()->m_lpszClassName, "ZICONList");
    EXPECT_TRUE(list.IsKindOf(RUNTIME_CLASS(CObList)));
}

class DrawnItem : public ZIconComboBoxTest {
protected:
    QImage draw(const char* text, UINT iconId, UINT state) {
        box.AddItem(text, static_cast<int>(iconId));
        QImage image(200, 36, QImage::Format_RGB32);
        image.fill(qRgb(128, 128, 128));
        {
            QPainter painter(&image);
            QFont font; // whole pixels, so text shows in exactly its colour
            font.setStyleStrategy(QFont::NoAntialias);
            HDC__ dc(painter, font);
            DRAWITEMSTRUCT dis{ODT_COMBOBOX,
                               IDC_TYPE_BOX,
                               0,
                               ODA_DRAWENTIRE,
                               state,
                               box.m_hWnd,
                               &dc,
                               {0, 0, 200, 36},
                               static_cast<ULONG_PTR>(box.GetItemData(0))};
            box.DrawItem(&dis);
            EXPECT_EQ(dc.bkMode, OPAQUE) << "the previous mode is restored";
            EXPECT_EQ(dc.textColor, RGB(0, 0, 0)) << "the previous colour is restored";
        }
        return image;
    }
    static int countPixels(const QImage& image, QRgb colour, int fromX) {
        int n = 0;
        for (int x = fromX; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y) n += image.pixel(x, y) == colour;
        return n;
    }
};

TEST_F(DrawnItem, SelectedItemIsWhiteTextOnTheHighlightColour) {
    const QImage image = draw("LaserWriter", kRedIcon, ODS_SELECTED);
    const QRgb highlight = qRgb(GetRValue(GetSysColor(COLOR_HIGHLIGHT)), GetGValue(GetSysColor(COLOR_HIGHLIGHT)),
                                GetBValue(GetSysColor(COLOR_HIGHLIGHT)));
    EXPECT_EQ(image.pixel(199, 0), highlight);
    EXPECT_EQ(image.pixel(2 + 8, 8), qRgb(255, 0, 0)) << "the icon at x = 2, top of the item";
    EXPECT_EQ(image.pixel(1, 8), highlight);
    EXPECT_GT(countPixels(image, qRgb(255, 255, 255), 36), 10) << "white text right of the icon";
    EXPECT_EQ(countPixels(image, qRgb(0, 0, 0), 36), 0);
}

TEST_F(DrawnItem, UnselectedItemIsDarkTextOnWhite) {
    const QImage image = draw("LaserWriter", kRedIcon, 0);
    EXPECT_EQ(image.pixel(199, 35), qRgb(255, 255, 255));
    EXPECT_GT(countPixels(image, qRgb(0, 0, 0), 36), 10);
}

TEST_F(DrawnItem, ItemWithoutIconIsAPlainBar) {
    const QImage image = draw("LaserWriter", 9399, ODS_SELECTED);
    const QRgb highlight = image.pixel(0, 0);
    EXPECT_EQ(countPixels(image, highlight, 0), 200 * 36) << "no icon, no text";
}

TEST_F(DrawnItem, EmptySelectionFieldDrawsNothing) {
    box.AddItem("LaserWriter", kRedIcon);
    QImage image(50, 36, QImage::Format_RGB32);
    image.fill(qRgb(128, 128, 128));
    QPainter painter(&image);
    HDC__ dc(painter, QFont());
    DRAWITEMSTRUCT dis{ODT_COMBOBOX,
                       IDC_TYPE_BOX,
                       static_cast<UINT>(-1),
                       ODA_DRAWENTIRE,
                       ODS_SELECTED,
                       box.m_hWnd,
                       &dc,
                       {0, 0, 50, 36},
                       0};
    box.DrawItem(&dis);
    painter.end();
    EXPECT_EQ(countPixels(image, qRgb(128, 128, 128), 0), 50 * 36);
}

} // namespace

namespace {

// The Chooser's template with a filled type box renders offscreen; set VIDUR_SCREENSHOT_DIR
// to keep the picture (chooser.png) for the documentation.
TEST_F(ZIconComboBoxTest, ChooserTemplateRendersWithItsTypeBox) {
    box.AddItem("LaserWriter", IDI_LASERWRITER);
    box.AddItem("AFPServer", IDI_FILE_SERVER);
    box.AddItem("ImageWriter", IDI_IMAGEWRITER);
    box.SetCurSel(box.FindItem("LaserWriter"));
    const char* keep = std::getenv("VIDUR_SCREENSHOT_DIR");
    const std::string path = (keep ? std::string(keep) : ::testing::TempDir()) + "/chooser.png";
    ASSERT_TRUE(RenderWindowToPng(dialog, path.c_str()));
    const QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull());
    if (ClassicFontAvailable()) {
        EXPECT_EQ(image.size(), QSize(392, 232));
    }
    if (!keep) std::remove(path.c_str());
}

} // namespace

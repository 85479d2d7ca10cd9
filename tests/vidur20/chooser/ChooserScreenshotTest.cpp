// SPDX-License-Identifier: MIT
// The Chooser after a look-up, rendered offscreen in English and French. The pictures go to
// $VIDUR_SCREENSHOT_DIR when it is set (docs/chooser-en.png, docs/chooser-fr.png are made so),
// else to the test's temporary folder.
#include <QImage>
#include <cstdlib>

#include "ChooserTestSupport.h"
#include "platform/ui/UiApplication.h"
#include "platform/ui/WindowRender.h"

namespace choosertest {
namespace {

using ChooserScreenshotTest = ChooserTest;

TEST_F(ChooserScreenshotTest, ChooserAfterALookupRendersInEachLanguage) {
    const struct {
        LANGID language;
        const char* file;
        const char* caption;
    } rows[] = {{kLangEnglishUS, "chooser-en.png", "Chooser"}, {kLangFrench, "chooser-fr.png", "Explorateur"}};
    const char* dir = std::getenv("VIDUR_SCREENSHOT_DIR");
    for (const auto& row : rows) {
        ResourceChain::instance().setLanguageOverride(row.language);
        fake.reset();
        fake.setPostScriptDefault(1);
        ScriptNetwork(
            {Device("Accounting LaserWriter", "LaserWriter", 4096, 12, 129),
             Device("Design Studio", "LaserWriter", 4096, 40, 129), Device("Front Desk", "LaserWriter", 4100, 7, 129),
             Device("Caf\x8E Printer", "LaserWriter", 4100, 9, 129)},
            {"Engineering", "Marketing", "Sales", "Shipping"});
        Chooser chooser(ZChooserDialog::kOfferPrinters | ZChooserDialog::kOfferFileServers);
        const std::string path = (dir ? std::string(dir) : profile.path().string()) + "/" + row.file;
        QImage image;
        CString caption;
        Run(chooser, [&](Chooser& c) {
            c.Tick();
            c.Tick();
            UiDriver::ProcessEvents(100); // lists lay out lazily; idle ticks poll nothing
            ASSERT_TRUE(RenderWindowToPng(c, path.c_str())) << path;
            image.load(QString::fromStdString(path));
            c.GetWindowText(caption);
        });
        EXPECT_EQ(std::string(caption.View()), row.caption);
        ASSERT_FALSE(image.isNull()) << path;
        if (ClassicFontAvailable()) {
            EXPECT_EQ(image.size(), QSize(392, 232) * image.devicePixelRatio()) << row.file;
        }
    }
}

} // namespace
} // namespace choosertest

// SPDX-License-Identifier: MIT
// Property sheets: one tab per page in the order added, captions from the templates, pages
// made when first shown, and OK and Cancel told to every page that was made.
#include <QImage>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

#include "TestDialogs.h"
#include "platform/resources/ResourceChain.h"
#include "platform/ui/CPropertySheet.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/WindowRender.h"
#include "platform/ui/qt/WindowCore.h"

using namespace uitest;

namespace {

class RecordingPage : public CPropertyPage {
public:
    RecordingPage(UINT id, std::vector<std::string>& log) : CPropertyPage(id), m_log(log) {}
    BOOL OnInitDialog() override {
        m_log.push_back("init " + std::string(GetCaption().View()));
        if (onInit) onInit(*this);
        return CPropertyPage::OnInitDialog();
    }
    void OnOK() override { m_log.push_back("ok " + std::string(GetCaption().View())); }
    void OnCancel() override { m_log.push_back("cancel " + std::string(GetCaption().View())); }
    std::function<void(RecordingPage&)> onInit;

private:
    std::vector<std::string>& m_log;
};

class PropertySheetTest : public ::testing::Test {
protected:
    TestResources resources;
    std::vector<std::string> log;
};

QTabWidget* tabsOf(CWnd& sheet) { return sheet.m_hWnd->widget()->findChild<QTabWidget*>(); }

TEST_F(PropertySheetTest, PagesAreTabsInTheOrderAddedAndMadeWhenFirstShown) {
    RecordingPage first(kFirstPage, log);
    RecordingPage second(kSecondPage, log);
    CPropertySheet sheet("Network");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    UiDriver::Post([&] {
        QTabWidget* tabs = tabsOf(sheet);
        ASSERT_NE(tabs, nullptr);
        EXPECT_EQ(tabs->count(), 2);
        EXPECT_EQ(tabs->tabText(0), QStringLiteral("First"));
        EXPECT_EQ(tabs->tabText(1), QStringLiteral("Second"));
        EXPECT_EQ(second.m_hWnd, nullptr) << "not shown yet";
        tabs->setCurrentIndex(1);
        EXPECT_NE(second.m_hWnd, nullptr);
        EXPECT_EQ(sheet.GetActiveIndex(), 1);
        UiDriver::ClickButton(sheet, IDOK);
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(log, (std::vector<std::string>{"init First", "init Second", "ok First", "ok Second"}));
    EXPECT_EQ(first.m_hWnd, nullptr);
}

TEST_F(PropertySheetTest, CancelTellsOnlyThePagesThatWereMade) {
    RecordingPage first(kFirstPage, log);
    RecordingPage second(kSecondPage, log);
    CPropertySheet sheet("Network");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    UiDriver::Post([&] { UiDriver::PressKey(sheet, UiDriver::Key::Escape); });
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    EXPECT_EQ(log, (std::vector<std::string>{"init First", "cancel First"}));
}

// The dialog manager turns a WM_CLOSE into a posted IDCANCEL for the page itself; a page's
// Cancel handling closes nothing, so the sheet stays open.
TEST_F(PropertySheetTest, CloseSentToAPageLeavesTheSheetOpen) {
    RecordingPage first(kFirstPage, log);
    first.onInit = [](RecordingPage& page) { page.SendMessage(WM_CLOSE); };
    CPropertySheet sheet("Network");
    sheet.AddPage(&first);
    // Queued behind the page's posted IDCANCEL.
    UiDriver::Post([&] {
        UiDriver::Post([&] {
            EXPECT_TRUE(IsWindow(sheet.m_hWnd));
            EXPECT_TRUE(IsWindow(first.m_hWnd));
            log.push_back("still open");
            UiDriver::ClickButton(sheet, IDOK);
        });
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(log, (std::vector<std::string>{"init First", "cancel First", "still open", "ok First"}));
}

TEST_F(PropertySheetTest, SheetWithoutPagesOrWithAMissingTemplateAnswersMinusOne) {
    CPropertySheet empty("Network");
    EXPECT_EQ(empty.DoModal(), -1);
    RecordingPage missing(kMissing, log);
    CPropertySheet sheet("Network");
    sheet.AddPage(&missing);
    EXPECT_EQ(sheet.DoModal(), -1);
    EXPECT_TRUE(log.empty());
}

TEST_F(PropertySheetTest, ApplyIsEnabledByAModifiedPage) {
    RecordingPage first(kFirstPage, log);
    CPropertySheet sheet("Network");
    sheet.AddPage(&first);
    UiDriver::Post([&] {
        EXPECT_FALSE(UiDriver::ClickButton(sheet, ID_APPLY_NOW)) << "disabled until a page is modified";
        first.SetModified();
        EXPECT_TRUE(UiDriver::ClickButton(sheet, ID_APPLY_NOW));
        UiDriver::ClickButton(sheet, IDCANCEL);
    });
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    EXPECT_EQ(log, (std::vector<std::string>{"init First", "ok First", "cancel First"}));
}

TEST_F(PropertySheetTest, SheetButtonsSpeakTheResourceLanguage) {
    struct Row {
        LANGID language;
        const char* cancel;
        const char* apply;
    };
    const Row rows[] = {{kLangEnglishUS, "Cancel", "&Apply"}, {kLangFrench, "Annuler", "&Appliquer"}};
    for (const Row& row : rows) {
        ResourceChain::instance().setLanguageOverride(row.language);
        RecordingPage first(kFirstPage, log);
        CPropertySheet sheet("Network");
        sheet.AddPage(&first);
        UiDriver::Post([&] {
            CString cancel, apply;
            sheet.GetDlgItem(IDCANCEL)->GetWindowText(cancel);
            sheet.GetDlgItem(ID_APPLY_NOW)->GetWindowText(apply);
            EXPECT_STREQ(cancel, row.cancel);
            EXPECT_STREQ(apply, row.apply);
            UiDriver::ClickButton(sheet, IDCANCEL);
        });
        EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    }
    ResourceChain::instance().setLanguageOverride(std::nullopt);
}

} // namespace

namespace {

// Set VIDUR_SCREENSHOT_DIR to keep the picture (sheet.png).
TEST_F(PropertySheetTest, SheetRendersTabsPageAndButtons) {
    RecordingPage first(kFirstPage, log);
    RecordingPage second(kSecondPage, log);
    CPropertySheet sheet("Network");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    const char* keep = std::getenv("VIDUR_SCREENSHOT_DIR");
    const std::string path = (keep ? std::string(keep) : ::testing::TempDir()) + "/sheet.png";
    UiDriver::Post([&] {
        EXPECT_TRUE(RenderWindowToPng(sheet, path.c_str()));
        UiDriver::ClickButton(sheet, IDOK);
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    const QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull());
    RECT page{};
    first.GetClientRect(&page); // gone by now: nothing
    EXPECT_EQ(page.right, 0);
    // 185 x 92 units of page, plus the tabs, the margins and the row of buttons.
    EXPECT_GT(image.width(), 185 * 6 / 4);
    EXPECT_GT(image.height(), 92 * 13 / 8 + 23);
    if (!keep) std::remove(path.c_str());
}

} // namespace

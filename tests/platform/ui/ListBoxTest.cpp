// SPDX-License-Identifier: MIT
// List boxes: case-insensitive sorted inserts, LB_ERR, notifications only with LBS_NOTIFY,
// and tab stops in dialog template units that hide what lies past the right edge.
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "TestDialogs.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/WindowRender.h"

using namespace uitest;

namespace {

class ListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.Create(kDialog));
        dialog.ShowWindow(1);
    }
    void TearDown() override {
        if (dialog.m_hWnd) dialog.DestroyWindow();
    }
    CString text(int index) {
        CString s;
        dialog.m_list.GetText(index, s);
        return s;
    }
    TestResources resources;
    RecordingDialog dialog;
};

TEST_F(ListBoxTest, SortedListSortsWithoutRegardToCase) {
    CListBox& list = dialog.m_list;
    EXPECT_EQ(list.AddString("office\tLaserWriter\t1 2 3"), 0);
    EXPECT_EQ(list.AddString("Annex\tLaserWriter\t1 2 4"), 0);
    EXPECT_EQ(list.AddString("OFFICE\tAFPServer\t1 2 5"), 1) << "AFPServer sorts before LaserWriter";
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(text(2), "office\tLaserWriter\t1 2 3");
    EXPECT_EQ(list.GetCurSel(), LB_ERR);
}

// Windows sorts with the user's locale: accents beside their base letter (the plain letter
// first), case ignored, symbols before digits before letters; names compared as characters.
TEST_F(ListBoxTest, SortedListPutsAccentedNamesBesideTheirBaseLetters) {
    CListBox& list = dialog.m_list;
    for (const char* name : {"Z\x9Frich", "\x80pfel",
                             "\x83"
                             "cole",
                             "Zebra", "ecole", "APFEL", "2nd floor", "_Spool"})
        list.AddString(name);
    std::vector<std::string> order;
    for (int i = 0; i < list.GetCount(); ++i) order.emplace_back(text(i).View());
    EXPECT_EQ(order, (std::vector<std::string>{"_Spool", "2nd floor", "APFEL", "\x80pfel", "ecole",
                                               "\x83"
                                               "cole",
                                               "Zebra", "Z\x9Frich"}));
    EXPECT_EQ(list.AddString("\x8A"
                             "pfel"),
              3)
        << "\"äpfel\" equals \"Äpfel\" and goes before it";
    EXPECT_EQ(list.FindString(-1,
                              "\x8A"
                              "PF"),
              3)
        << "a search still tells accents apart";
}

TEST_F(ListBoxTest, BadIndexesAnswerLbErr) {
    CListBox& list = dialog.m_list;
    list.AddString("one");
    char buffer[16] = "untouched";
    EXPECT_EQ(list.GetText(1, buffer), LB_ERR);
    EXPECT_EQ(list.GetTextLen(-1), LB_ERR);
    EXPECT_EQ(list.DeleteString(4), LB_ERR);
    EXPECT_EQ(list.SetCurSel(1), LB_ERR);
    EXPECT_EQ(list.InsertString(3, "x"), LB_ERR);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(list.SetCurSel(0), 0);
    EXPECT_EQ(list.SetCurSel(-1), LB_ERR) << "-1 clears the selection and answers LB_ERR";
    EXPECT_EQ(list.GetCurSel(), LB_ERR);
}

TEST_F(ListBoxTest, ResetContentEmptiesTheList) {
    dialog.m_list.AddString("a");
    dialog.m_list.SetCurSel(0);
    dialog.m_list.ResetContent();
    EXPECT_EQ(dialog.m_list.GetCount(), 0);
    EXPECT_EQ(dialog.m_list.GetCurSel(), LB_ERR);
}

TEST_F(ListBoxTest, ClickAndDoubleClickNotifyOnlyWithLbsNotify) {
    dialog.m_list.AddString("alpha");
    dialog.m_list.AddString("beta");
    dialog.m_list.SetCurSel(0);
    EXPECT_EQ(count(dialog.events, "selchange 102"), 0) << "a selection by code";
    ASSERT_TRUE(UiDriver::ClickListItem(dialog.m_list, 1));
    EXPECT_EQ(dialog.m_list.GetCurSel(), 1);
    EXPECT_EQ(count(dialog.events, "selchange 102"), 1);
    ASSERT_TRUE(UiDriver::DoubleClickListItem(dialog.m_list, 0));
    EXPECT_EQ(dialog.m_list.GetCurSel(), 0);
    EXPECT_EQ(count(dialog.events, "ok"), 1) << "LBN_DBLCLK is mapped to OnOK";

    CListBox* quiet = static_cast<CListBox*>(dialog.GetDlgItem(kQuietList));
    ASSERT_NE(quiet, nullptr);
    quiet->AddString("gamma");
    ASSERT_TRUE(UiDriver::DoubleClickListItem(*quiet, 0));
    EXPECT_EQ(quiet->GetCurSel(), 0);
    EXPECT_EQ(count(dialog.events, "dblclk 106"), 0);
}

// A tab stop of 256 template units lies beyond a list 125 units wide: the item shows only
// its text before the first tab, exactly as a list holding that text alone.
TEST_F(ListBoxTest, TextPastATabStopBeyondTheRightEdgeIsNotDrawn) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const int tabStop = 256;
    CListBox& list = dialog.m_list;
    list.SetTabStops(1, &tabStop);
    auto render = [&](const char* item) {
        list.ResetContent();
        list.AddString(item);
        const QString path = dir.filePath(QStringLiteral("list.png"));
        EXPECT_TRUE(RenderWindowToPng(list, path.toLocal8Bit().constData()));
        return QImage(path);
    };
    const QImage nameOnly = render("Office");
    const QImage tabbed = render("Office\tLaserWriter\t300 56 130");
    const QImage longer = render("Office Annex");
    ASSERT_FALSE(nameOnly.isNull());
    EXPECT_EQ(tabbed, nameOnly);
    EXPECT_NE(longer, nameOnly) << "the rendering does show text";

    const int nearStop = 8; // two characters: the rest of the item is drawn
    list.SetTabStops(1, &nearStop);
    EXPECT_NE(render("Office\tLaserWriter\t300 56 130"), nameOnly);
}

} // namespace

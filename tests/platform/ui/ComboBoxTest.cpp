// SPDX-License-Identifier: MIT
// Combo boxes answer as Win32's do: sorted inserts, CB_ERR, the notifications a user's
// actions send and a program's do not, and DeleteItem for every item that goes away.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "TestDialogs.h"
#include "platform/resources/WindowStyles.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/qt/WindowCore.h"

using namespace uitest;

namespace {

class ComboBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.Create(kDialog));
        dialog.ShowWindow(1);
    }
    void TearDown() override {
        if (dialog.m_hWnd) dialog.DestroyWindow();
    }
    std::vector<std::string> zoneItems() {
        std::vector<std::string> items;
        for (int i = 0; i < dialog.m_zoneBox.GetCount(); ++i) {
            CString text;
            dialog.m_zoneBox.GetLBText(i, text);
            items.emplace_back(text.View());
        }
        return items;
    }
    TestResources resources;
    RecordingDialog dialog;
};

TEST_F(ComboBoxTest, SortedStringBoxSortsWithoutRegardToCaseAndAnswersTheIndex) {
    CComboBox& box = dialog.m_zoneBox;
    EXPECT_EQ(box.AddString("delta"), 0);
    EXPECT_EQ(box.AddString("Bravo"), 0);
    EXPECT_EQ(box.AddString("charlie"), 1);
    EXPECT_EQ(box.AddString("ALPHA"), 0);
    EXPECT_EQ(box.AddString("\x80"
                            "pfel"),
              1)
        << "\"Äpfel\" sorts beside the a's, not after z";
    EXPECT_EQ(zoneItems(), (std::vector<std::string>{"ALPHA",
                                                     "\x80"
                                                     "pfel",
                                                     "Bravo", "charlie", "delta"}));
    auto* combo = dynamic_cast<QComboBox*>(box.m_hWnd->widget());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->itemText(1), QString::fromUtf8("Äpfel")) << "shown in Unicode";
    EXPECT_EQ(box.InsertString(1, "zulu"), 1) << "InsertString never sorts";
    EXPECT_EQ(box.InsertString(-1, "end"), 6);
}

TEST_F(ComboBoxTest, AddingItemsLeavesTheBoxWithoutSelection) {
    dialog.m_zoneBox.AddString("one");
    dialog.m_zoneBox.AddString("two");
    EXPECT_EQ(dialog.m_zoneBox.GetCurSel(), CB_ERR);
}

TEST_F(ComboBoxTest, BadIndexesAnswerCbErr) {
    CComboBox& box = dialog.m_zoneBox;
    char buffer[64] = "untouched";
    EXPECT_EQ(box.FindString(-1, "x"), CB_ERR) << "empty box";
    box.AddString("alpha");
    box.AddString("beta");
    const struct {
        const char* what;
        int result;
    } rows[] = {
        {"GetLBText(2)", box.GetLBText(2, buffer)},
        {"GetLBText(-1)", box.GetLBText(-1, buffer)},
        {"GetLBTextLen(2)", box.GetLBTextLen(2)},
        {"DeleteString(2)", box.DeleteString(2)},
        {"InsertString(3)", box.InsertString(3, "x")},
        {"GetItemData(5)", static_cast<int>(box.GetItemData(5))},
        {"SetItemData(-2)", box.SetItemData(-2, 1)},
        {"FindString(absent)", box.FindString(-1, "gamma")},
        {"SetItemHeight(-1, 256)", box.SetItemHeight(-1, 256)},
    };
    for (const auto& row : rows) EXPECT_EQ(row.result, CB_ERR) << row.what;
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(box.GetCount(), 2);
}

TEST_F(ComboBoxTest, SetCurSelOutOfRangeClearsTheSelectionAndAnswersCbErr) {
    CComboBox& box = dialog.m_zoneBox;
    box.AddString("alpha");
    box.AddString("beta");
    EXPECT_EQ(box.SetCurSel(1), 1);
    EXPECT_EQ(box.SetCurSel(2), CB_ERR);
    EXPECT_EQ(box.GetCurSel(), CB_ERR);
    box.SetCurSel(0);
    EXPECT_EQ(box.SetCurSel(-1), CB_ERR);
    EXPECT_EQ(box.GetCurSel(), CB_ERR);
}

TEST_F(ComboBoxTest, DeletingTheSelectedItemLeavesNoSelection) {
    CComboBox& box = dialog.m_zoneBox;
    for (const char* s : {"a", "b", "c"}) box.AddString(s);
    box.SetCurSel(1);
    EXPECT_EQ(box.DeleteString(0), 2);
    EXPECT_EQ(box.GetCurSel(), 0) << "the selection follows its item";
    EXPECT_EQ(box.DeleteString(0), 1);
    EXPECT_EQ(box.GetCurSel(), CB_ERR);
}

TEST_F(ComboBoxTest, FindStringMatchesAPrefixWithoutRegardToCaseAndWraps) {
    CComboBox& box = dialog.m_zoneBox;
    for (const char* s : {"Engineering", "Marketing", "engine room"}) box.AddString(s);
    EXPECT_EQ(box.FindString(-1, "ENGINE"), 0);
    EXPECT_EQ(box.FindString(0, "ENGINE"), 1);
    EXPECT_EQ(box.FindString(1, "ENGINE"), 0) << "the search wraps round";
    EXPECT_EQ(box.FindStringExact(-1, "marketing"), 2);
}

TEST_F(ComboBoxTest, SelectionByCodeSendsNoSelChange) {
    dialog.m_zoneBox.AddString("alpha");
    dialog.m_zoneBox.AddString("beta");
    dialog.m_zoneBox.SetCurSel(1);
    dialog.m_zoneBox.SetCurSel(-1);
    dialog.m_zoneBox.DeleteString(0);
    EXPECT_EQ(count(dialog.events, "selchange 101"), 0);
}

TEST_F(ComboBoxTest, ClosingTheListWithoutAChangeSendsCloseUpOnly) {
    dialog.m_zoneBox.AddString("alpha");
    dialog.m_zoneBox.SetCurSel(0);
    ASSERT_TRUE(UiDriver::OpenDropDown(dialog.m_zoneBox));
    EXPECT_TRUE(UiDriver::IsDropDownOpen(dialog.m_zoneBox));
    ASSERT_TRUE(UiDriver::CloseDropDown(dialog.m_zoneBox));
    EXPECT_FALSE(UiDriver::IsDropDownOpen(dialog.m_zoneBox));
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"dropdown 101", "closeup 101"}));
    EXPECT_EQ(dialog.m_zoneBox.GetCurSel(), 0);
}

TEST_F(ComboBoxTest, OpeningAnEmptyListStillSendsCloseUp) {
    UiDriver::OpenDropDown(dialog.m_zoneBox);
    EXPECT_FALSE(UiDriver::IsDropDownOpen(dialog.m_zoneBox));
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"dropdown 101", "closeup 101"}));
}

TEST_F(ComboBoxTest, ChoosingAnItemSendsSelChangeAndCloseUp) {
    for (const char* s : {"alpha", "beta", "gamma"}) dialog.m_zoneBox.AddString(s);
    ASSERT_TRUE(UiDriver::ChooseComboItem(dialog.m_zoneBox, 2));
    EXPECT_EQ(dialog.m_zoneBox.GetCurSel(), 2);
    EXPECT_EQ(count(dialog.events, "selchange 101"), 1);
    EXPECT_EQ(count(dialog.events, "closeup 101"), 1);
    EXPECT_EQ(dialog.closeUpSelection, 2) << "CBN_CLOSEUP finds the new selection in place";
}

TEST_F(ComboBoxTest, ClickingAnItemInTheOpenListChoosesIt) {
    for (const char* s : {"alpha", "beta", "gamma"}) dialog.m_zoneBox.AddString(s);
    ASSERT_TRUE(UiDriver::OpenDropDown(dialog.m_zoneBox));
    auto* box = dynamic_cast<QComboBox*>(dialog.m_zoneBox.m_hWnd->widget());
    ASSERT_NE(box, nullptr);
    QAbstractItemView* view = box->view();
    view->doItemsLayout();
    const QPoint centre = view->visualRect(box->model()->index(1, 0)).center();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(centre), QPointF(view->viewport()->mapToGlobal(centre)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &release);
    EXPECT_EQ(dialog.m_zoneBox.GetCurSel(), 1);
    EXPECT_EQ(count(dialog.events, "selchange 101"), 1);
    if (UiDriver::IsDropDownOpen(dialog.m_zoneBox)) UiDriver::CloseDropDown(dialog.m_zoneBox);
    EXPECT_EQ(dialog.closeUpSelection, 1);
}

TEST_F(ComboBoxTest, ChoosingTheSelectedItemAgainSendsCloseUpWithoutSelChange) {
    for (const char* s : {"alpha", "beta"}) dialog.m_zoneBox.AddString(s);
    dialog.m_zoneBox.SetCurSel(1);
    ASSERT_TRUE(UiDriver::ChooseComboItem(dialog.m_zoneBox, 1));
    EXPECT_EQ(count(dialog.events, "selchange 101"), 0);
    EXPECT_EQ(count(dialog.events, "closeup 101"), 1);
}

TEST_F(ComboBoxTest, HidingTheListByCodeStillSendsCloseUp) {
    dialog.m_zoneBox.AddString("alpha");
    dialog.m_zoneBox.ShowDropDown(TRUE);
    EXPECT_TRUE(dialog.m_zoneBox.GetDroppedState());
    dialog.m_zoneBox.ShowDropDown(FALSE);
    EXPECT_EQ(count(dialog.events, "closeup 101"), 1);
    dialog.m_zoneBox.ShowDropDown(FALSE);
    EXPECT_EQ(count(dialog.events, "closeup 101"), 1) << "a closed list does not close again";
}

TEST_F(ComboBoxTest, AKeyOnTheClosedBoxIsAUsersChange) {
    for (const char* s : {"alpha", "beta"}) dialog.m_zoneBox.AddString(s);
    dialog.m_zoneBox.SetCurSel(0);
    dialog.m_zoneBox.m_hWnd->widget()->setFocus();
    UiDriver::PressKey(dialog, UiDriver::Key::Down);
    EXPECT_EQ(dialog.m_zoneBox.GetCurSel(), 1);
    EXPECT_EQ(count(dialog.events, "selchange 101"), 1);
}

TEST_F(ComboBoxTest, OwnerDrawnBoxWithoutStringsSortsThroughCompareItem) {
    StringItemBox& box = dialog.m_typeBox;
    EXPECT_EQ(box.AddItem("LaserWriter"), 0);
    EXPECT_EQ(box.AddItem("AFPServer"), 0);
    EXPECT_EQ(box.AddItem("ImageWriter"), 1);
    EXPECT_EQ(box.AddItem("imageWriter"), 3) << "case counts for this CompareItem";
    EXPECT_GT(box.compares, 0);
    EXPECT_EQ(box.ItemText(0), "AFPServer");
    EXPECT_EQ(box.ItemText(1), "ImageWriter");
    EXPECT_EQ(box.ItemText(2), "LaserWriter");
    EXPECT_EQ(box.ItemText(3), "imageWriter");
    EXPECT_EQ(box.measured.size(), 4U) << "a variable-height box measures every item";
    EXPECT_EQ(box.GetItemHeight(0), 20);
}

TEST_F(ComboBoxTest, BoxWithoutStringsHandsOutItemDataAsText) {
    StringItemBox& box = dialog.m_typeBox;
    box.AddItem("x");
    DWORD_PTR data = 0;
    EXPECT_EQ(box.GetLBTextLen(0), static_cast<int>(sizeof data));
    EXPECT_EQ(box.GetLBText(0, reinterpret_cast<LPSTR>(&data)), static_cast<int>(sizeof data));
    EXPECT_EQ(data, box.GetItemData(0));
}

TEST_F(ComboBoxTest, DeleteItemIsCalledForEveryItemThatGoes) {
    StringItemBox& box = dialog.m_typeBox;
    for (const char* s : {"a", "b", "c", "d", "e"}) box.AddItem(s);
    box.DeleteString(1);
    EXPECT_EQ(box.deleted, (std::vector<std::string>{"b"}));
    box.ResetContent();
    EXPECT_EQ(box.deleted.size(), 5U);
    EXPECT_EQ(box.GetCount(), 0);
    box.AddItem("f");
    box.AddItem("g");
    dialog.DestroyWindow();
    EXPECT_EQ(box.deleted.size(), 7U) << "destroying the window deletes its items";
    EXPECT_EQ(box.m_hWnd, nullptr);
}

TEST_F(ComboBoxTest, SelectionFieldHeightSetsTheClosedBoxHeight) {
    StringItemBox& box = dialog.m_typeBox;
    EXPECT_EQ(box.SetItemHeight(-1, GetSystemMetrics(SM_CYICON) + 4), CB_OKAY);
    EXPECT_EQ(box.GetItemHeight(-1), 36);
    RECT rect;
    box.GetClientRect(&rect);
    EXPECT_GT(rect.bottom, 36);
}

TEST_F(ComboBoxTest, OwnerDrawnBoxDrawsItsSelectionFieldThroughDrawItem) {
    StringItemBox& box = dialog.m_typeBox;
    box.AddItem("one");
    (void)box.m_hWnd->widget()->grab();
    ASSERT_FALSE(box.drawn.empty());
    EXPECT_EQ(box.drawn.back(), static_cast<UINT>(-1)) << "the empty field is item -1";
    box.SetCurSel(0);
    (void)box.m_hWnd->widget()->grab();
    EXPECT_EQ(box.drawn.back(), 0U);
}

} // namespace

namespace {

TEST_F(ComboBoxTest, CreateMakesAChildControlOfAWindowClass) {
    CComboBox box;
    const RECT rect{10, 10, 110, 110};
    ASSERT_TRUE(box.Create("ComboBox", "", CBS_DROPDOWNLIST | WS_VISIBLE | WS_TABSTOP, rect, &dialog, 300));
    EXPECT_EQ(dialog.GetDlgItem(300), &box);
    EXPECT_TRUE(box.IsWindowVisible());
    box.AddString("bravo");
    EXPECT_EQ(box.AddString("alpha"), 1) << "not sorted without CBS_SORT";
    EXPECT_FALSE(box.Create("ComboBox", "", CBS_DROPDOWNLIST, rect, &dialog, 301)) << "already created";
    CWnd other;
    EXPECT_FALSE(other.Create("NoSuchClass", "", WS_VISIBLE, rect, &dialog, 302));
    EXPECT_FALSE(other.Create("Button", "", WS_VISIBLE, rect, nullptr, 302)) << "a control needs its parent";
    box.DestroyWindow();
    EXPECT_EQ(dialog.GetDlgItem(300), nullptr);
}

} // namespace

namespace {

TEST_F(ComboBoxTest, OpenOwnerDrawnListDrawsEveryItemThroughDrawItem) {
    StringItemBox& box = dialog.m_typeBox;
    box.AddItem("one");
    box.AddItem("two");
    ASSERT_TRUE(UiDriver::OpenDropDown(box));
    auto* combo = dynamic_cast<QComboBox*>(box.m_hWnd->widget());
    ASSERT_NE(combo, nullptr);
    box.drawn.clear();
    (void)combo->view()->viewport()->grab();
    EXPECT_NE(std::find(box.drawn.begin(), box.drawn.end(), 0U), box.drawn.end());
    EXPECT_NE(std::find(box.drawn.begin(), box.drawn.end(), 1U), box.drawn.end());
    ASSERT_TRUE(UiDriver::CloseDropDown(box));
    EXPECT_EQ(count(dialog.events, "closeup 100"), 1);
}

} // namespace

// SPDX-License-Identifier: MIT
// Dialogs: modal results, the keys and the close box, modeless dialogs that delete
// themselves, data exchange, texts at the Mac OS Roman edge, the cursor and the layout in
// dialog units.
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "TestDialogs.h"
#include "platform/resources/WindowStyles.h"
#include "platform/ui/CButton.h"
#include "platform/ui/UiApplication.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/WindowRender.h"
#include "platform/ui/qt/WindowCore.h"

using namespace uitest;

namespace {

class DialogTest : public ::testing::Test {
protected:
    TestResources resources;
};

TEST_F(DialogTest, DoModalAnswersMinusOneForAMissingTemplate) {
    RecordingDialog dialog(kMissing);
    bool initialised = false;
    dialog.onInit = [&](RecordingDialog&) { initialised = true; };
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_FALSE(initialised);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST_F(DialogTest, ModalResultFollowsTheUsersAction) {
    enum class Action { Ok, Cancel, Escape, Enter, CloseBox, DoubleClick };
    const struct {
        Action action;
        int result;
        const char* event;
    } rows[] = {
        {Action::Ok, IDOK, "ok"},    {Action::Cancel, IDCANCEL, "cancel"},   {Action::Escape, IDCANCEL, "cancel"},
        {Action::Enter, IDOK, "ok"}, {Action::CloseBox, IDCANCEL, "cancel"}, {Action::DoubleClick, IDOK, "ok"},
    };
    for (const auto& row : rows) {
        RecordingDialog dialog;
        dialog.onInit = [&](RecordingDialog& d) {
            d.m_list.AddString("device");
            UiDriver::Post([&d, &row] {
                switch (row.action) {
                case Action::Ok: UiDriver::ClickButton(d, IDOK); break;
                case Action::Cancel: UiDriver::ClickButton(d, IDCANCEL); break;
                case Action::Escape: UiDriver::PressKey(d, UiDriver::Key::Escape); break;
                case Action::Enter: UiDriver::PressKey(d, UiDriver::Key::Enter); break;
                case Action::CloseBox: UiDriver::ClickCloseBox(d); break;
                case Action::DoubleClick: // LBN_DBLCLK is mapped to OnOK
                    UiDriver::DoubleClickListItem(d.m_list, 0);
                    break;
                }
            });
        };
        EXPECT_EQ(dialog.DoModal(), row.result) << row.event;
        EXPECT_EQ(count(dialog.events, row.event), 1) << row.event;
        EXPECT_EQ(dialog.m_hWnd, nullptr);
        EXPECT_EQ(dialog.m_list.m_hWnd, nullptr) << "controls are detached when the dialog goes";
    }
}

TEST_F(DialogTest, EnterDoesNothingWhileTheDefaultButtonIsDisabled) {
    RecordingDialog dialog;
    dialog.onInit = [](RecordingDialog& d) {
        d.GetDlgItem(IDOK)->EnableWindow(FALSE);
        UiDriver::Post([&d] {
            UiDriver::PressKey(d, UiDriver::Key::Enter);
            EXPECT_FALSE(UiDriver::ClickButton(d, IDOK)) << "a disabled button cannot be clicked";
            d.events.push_back("after enter");
            UiDriver::ClickButton(d, IDCANCEL);
        });
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"after enter", "cancel"}));
}

// The Chooser's look-up: its controls are disabled, the focused one first, while Stop is
// enabled, then the other way round. The focus goes to Stop while it is the one control left
// after the lost one, then back; Enter is never left to whichever button Qt would pick.
TEST_F(DialogTest, DisablingTheFocusedControlHandsTheFocusOnAndBack) {
    RecordingDialog dialog;
    dialog.onInit = [](RecordingDialog& d) {
        UiDriver::Post([&d] {
            const auto widget = [&d](int id) { return d.GetDlgItem(id)->m_hWnd->widget(); };
            const auto focused = [&d] { return d.m_hWnd->widget()->focusWidget(); };
            const int switched[] = {kTypeBox, kZoneBox, kList, IDOK};
            widget(kTypeBox)->setFocus(Qt::TabFocusReason);
            for (int id : switched) d.GetDlgItem(id)->EnableWindow(FALSE);
            d.GetDlgItem(kStop)->EnableWindow(TRUE);
            EXPECT_TRUE(UiDriver::ProcessEventsUntil([&] { return focused() == widget(kStop); }, 5000))
                << "Stop takes the focus while the look-up runs";
            for (int id : switched) d.GetDlgItem(id)->EnableWindow(TRUE);
            d.GetDlgItem(kStop)->EnableWindow(FALSE);
            EXPECT_EQ(focused(), widget(kTypeBox)) << "the control that had it takes it back";
            UiDriver::PressKey(d, UiDriver::Key::Enter);
        });
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

// Win32 draws the mnemonic's underline as one line of one pixel under its letter; what
// "&Cancel" shows beyond "Cancel" is that line and nothing else.
TEST_F(DialogTest, MnemonicIsUnderlinedWithOneLineUnderItsLetter) {
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Create(kDialog));
    CButton plain;
    CButton prefixed;
    const RECT rect{0, 0, 75, 23};
    ASSERT_TRUE(plain.Create(kClassButton, "Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, rect, &dialog, 600));
    ASSERT_TRUE(prefixed.Create(kClassButton, "&Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, rect, &dialog, 601));
    const QImage without = plain.m_hWnd->widget()->grab().toImage();
    const QImage with = prefixed.m_hWnd->widget()->grab().toImage();
    ASSERT_EQ(without.size(), with.size());
    std::set<int> rows;
    int left = with.width(), right = -1, lowestInk = -1, inkLeft = with.width();
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x) {
            if (qGray(without.pixel(x, y)) < 60 && x > 4 && x < with.width() - 4 && y > 4 && y < with.height() - 4) {
                lowestInk = std::max(lowestInk, y);
                inkLeft = std::min(inkLeft, x);
            }
            if (with.pixel(x, y) == without.pixel(x, y)) continue;
            rows.insert(y);
            left = std::min(left, x);
            right = std::max(right, x);
        }
    ASSERT_EQ(rows.size(), 1U) << "one line, one pixel high";
    EXPECT_EQ(*rows.begin(), lowestInk + 1) << "right under the letters";
    EXPECT_LE(std::abs(left - inkLeft), 1) << "from the C";
    EXPECT_LE(right - left + 1, 8) << "as wide as the C";
    dialog.DestroyWindow();
}

TEST_F(DialogTest, EndDialogDuringInitialisationEndsWithoutShowing) {
    RecordingDialog dialog;
    dialog.onInit = [](RecordingDialog& d) { d.EndDialog(7); };
    EXPECT_EQ(dialog.DoModal(), 7);
}

TEST_F(DialogTest, ModelessDialogDeletesItselfInPostNcDestroy) {
    bool destroyed = false;
    auto* dialog = new RecordingDialog;
    dialog->destroyedFlag = &destroyed;
    dialog->deleteItselfOnDestroy = true;
    ASSERT_TRUE(dialog->Create(kDialog));
    dialog->ShowWindow(1);
    dialog->SetTimer(230, 1500);
    ASSERT_TRUE(UiDriver::ClickButton(*dialog, IDCANCEL)); // OnCancel: DestroyWindow
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(UiDriver::ActiveTimerCount(), 0) << "the window's timers go with it";
}

TEST_F(DialogTest, EndDialogHidesAModelessDialogWithoutDestroyingIt) {
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Create(kDialog));
    dialog.ShowWindow(1);
    ASSERT_TRUE(UiDriver::ClickButton(dialog, IDOK)); // CDialog::OnOK: EndDialog(IDOK)
    EXPECT_FALSE(dialog.IsWindowVisible());
    EXPECT_TRUE(IsWindow(dialog.m_hWnd));
    dialog.DestroyWindow();
}

TEST_F(DialogTest, ControlsAreFoundBoundAndEnabledByTheirIds) {
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Create(kDialog));
    EXPECT_EQ(dialog.m_zoneBox.GetDlgCtrlID(), static_cast<int>(kZoneBox));
    EXPECT_EQ(dialog.GetDlgItem(kZoneBox), &dialog.m_zoneBox) << "the bound object answers for its window";
    EXPECT_EQ(dialog.GetDlgItem(4242), nullptr);
    CWnd* stop = dialog.GetDlgItem(kStop);
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->GetParent(), &dialog);
    EXPECT_TRUE(stop->IsWindowEnabled());
    EXPECT_FALSE(stop->EnableWindow(FALSE)) << "answers whether it was disabled";
    EXPECT_FALSE(stop->IsWindowEnabled());
    EXPECT_TRUE(stop->EnableWindow(TRUE));
    EXPECT_FALSE(UiDriver::ClickButton(dialog, 4242));
    dialog.ShowWindow(1);
    EXPECT_TRUE(UiDriver::ClickButton(dialog, kStop));
    EXPECT_EQ(count(dialog.events, "clicked 103"), 1);
    HWND stale = dialog.m_hWnd;
    dialog.DestroyWindow();
    EXPECT_FALSE(IsWindow(stale));
    EXPECT_EQ(SendMessage(stale, WM_GETTEXTLENGTH), 0) << "a stale handle names no window";
}

TEST_F(DialogTest, WindowTextCrossesTheMacRomanEdge) {
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Create(kDialog));
    dialog.m_prompt.SetWindowText("Caf\x8E \xA5 ok");
    CString text;
    dialog.m_prompt.GetWindowText(text);
    EXPECT_EQ(text, "Caf\x8E \xA5 ok");
    auto* label = dialog.m_prompt.m_hWnd->widget();
    EXPECT_EQ(label->property("text").toString(), QString::fromUtf8("Café • ok"));
    dialog.SetWindowText(
        "R\x8E"
        "seau");
    EXPECT_EQ(dialog.m_hWnd->widget()->windowTitle(), QString::fromUtf8("Réseau"));
    char small[4];
    EXPECT_EQ(dialog.GetWindowText(small, sizeof small), 3);
    EXPECT_STREQ(small,
                 "R\x8E"
                 "s");
    dialog.DestroyWindow();
}

TEST_F(DialogTest, ClassCursorShowsTheWaitCursorOverTheDialog) {
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Create(kDialog));
    const LONG wait = static_cast<LONG>(reinterpret_cast<std::intptr_t>(LoadCursor(nullptr, IDC_WAIT)));
    const LONG arrow = static_cast<LONG>(reinterpret_cast<std::intptr_t>(LoadCursor(nullptr, IDC_ARROW)));
    SetClassLongA(dialog.m_hWnd, GCL_HCURSOR, wait);
    EXPECT_TRUE(UiDriver::IsWaitCursorShown(dialog));
    EXPECT_EQ(GetClassLongA(dialog.m_hWnd, GCL_HCURSOR), static_cast<DWORD>(wait));
    EXPECT_EQ(SetClassLongA(dialog.m_hWnd, GCL_HCURSOR, arrow), static_cast<DWORD>(wait));
    EXPECT_FALSE(UiDriver::IsWaitCursorShown(dialog));
    dialog.DestroyWindow();
}

TEST_F(DialogTest, TemplateOf261By143UnitsIs392By232PixelsInTheClassicLook) {
    if (!ClassicFontAvailable()) GTEST_SKIP() << "fonts-wine is not installed";
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Create(kDialog));
    const QWidget* widget = dialog.m_hWnd->widget();
    EXPECT_EQ(widget->size(), QSize(392, 232));
    // OK at (129, 120) 50 x 14 units.
    EXPECT_EQ(dialog.GetDlgItem(IDOK)->m_hWnd->widget()->geometry(), QRect(194, 195, 75, 23));
    dialog.DestroyWindow();
}

TEST_F(DialogTest, AnyDialogRendersToAPng) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Create(kDialog));
    dialog.m_zoneBox.AddString("Engineering");
    dialog.m_zoneBox.SetCurSel(0);
    const QString path = dir.filePath(QStringLiteral("dialog.png"));
    ASSERT_TRUE(RenderWindowToPng(dialog, path.toLocal8Bit().constData()));
    const QImage image(path);
    EXPECT_EQ(image.size(), dialog.m_hWnd->widget()->size() * dialog.m_hWnd->widget()->devicePixelRatio());
    EXPECT_FALSE(RenderWindowToPng(dialog, "/nonexistent-folder/x.png"));
    dialog.DestroyWindow();
    EXPECT_FALSE(RenderWindowToPng(dialog, path.toLocal8Bit().constData()));
}

} // namespace

// SPDX-License-Identifier: MIT
// The windows a chosen AppleShare server opens, offscreen: the connect window's choices as
// the server's status block sets them, a refused login kept open with the server's reason,
// and both windows' French texts.
#include "UiTestSupport.h"
#include "platform/resources/ResourceChain.h"
#include "platform/ui/UiDriver.h"
#include "text/MacRoman.h"
#include "tools/vidur/windows/AppleShareResources.h"
#include "tools/vidur/windows/ConnectDialog.h"
#include "tools/vidur/windows/VolumeListDialog.h"

#include <gtest/gtest.h>

namespace vidur::cli {
namespace {

using appletalk::afp::AfpLoginRequest;

std::string Text(CWnd& dialog, int id) {
    CString text;
    dialog.GetDlgItem(id)->GetWindowText(text);
    return vidur::text::macRomanToUtf8(text.View());
}

bool Checked(CWnd& dialog, UINT id) {
    return dialog.GetDlgItem(static_cast<int>(id))->SendMessage(BM_GETCHECK) == BST_CHECKED;
}

// Without guests: Registered User chosen, Guest greyed; a refusal shows the reason and the
// window stays for another try, which then logs in with what was typed.
TEST(AppleShareWindows, ConnectWindowWithoutGuestsKeepsARefusedLoginOpen) {
    AppleShareResources resources;
    RecordingMessageBoxes boxes;
    ScopedMessageBoxes installed(boxes);
    std::vector<AfpLoginRequest> tried;
    ConnectDialog dialog("Share", false, [&](const AfpLoginRequest& request, std::string& problem) {
        tried.push_back(request);
        problem = "The password is wrong.";
        return tried.size() > 1;
    });
    UiDriver::Post([&] {
        EXPECT_FALSE(dialog.GetDlgItem(IDC_AFP_GUEST)->IsWindowEnabled());
        EXPECT_TRUE(Checked(dialog, IDC_AFP_REGISTERED));
        EXPECT_TRUE(dialog.GetDlgItem(IDC_AFP_PASSWORD)->IsWindowEnabled());
        dialog.GetDlgItem(IDC_AFP_USER)->SetWindowText("Ann");
        dialog.GetDlgItem(IDC_AFP_PASSWORD)
            ->SetWindowText(
                "s\x8E"
                "cret"); // "é" in Mac OS Roman
        UiDriver::ClickButton(dialog, IDOK);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "The password is wrong.");
        EXPECT_TRUE(dialog.IsWindowVisible()) << "a refused login leaves the window open";
        UiDriver::ClickButton(dialog, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(tried.size(), 2u);
    EXPECT_EQ(dialog.login().user, "Ann");
    EXPECT_EQ(dialog.login().password,
              "s\xC3\xA9"
              "cret");
}

TEST(AppleShareWindows, BothWindowsSpeakFrenchAndTheGuestNeedsNoName) {
    ResourceChain::instance().setLanguageOverride(kLangFrench);
    AppleShareResources resources;
    bool asked = false;
    ConnectDialog connect("Café", true, [&](const AfpLoginRequest& request, std::string&) {
        asked = request.user.empty();
        return true;
    });
    UiDriver::Post([&] {
        EXPECT_EQ(Text(connect, IDC_AFP_PROMPT), "Connexion au serveur de fichiers « Café » en tant que:");
        EXPECT_EQ(Text(connect, IDC_AFP_REGISTERED), "Utilisateur enregistré");
        EXPECT_EQ(Text(connect, IDCANCEL), "Annuler");
        EXPECT_TRUE(Checked(connect, IDC_AFP_GUEST));
        EXPECT_FALSE(connect.GetDlgItem(IDC_AFP_USER)->IsWindowEnabled()) << "a guest types no name";
        UiDriver::ClickButton(connect, IDOK);
    });
    EXPECT_EQ(connect.DoModal(), IDOK);
    EXPECT_TRUE(asked) << "logged in as a guest";

    resources.makeVolumeList({"Un", "Deux"});
    VolumeListDialog list(2);
    UiDriver::Post([&] {
        EXPECT_EQ(Text(list, IDC_AFP_FIRST_VOLUME + 1), "Deux");
        EXPECT_EQ(Text(list, IDCANCEL), "Annuler");
        list.GetDlgItem(IDC_AFP_FIRST_VOLUME + 1)->SendMessage(BM_SETCHECK, BST_CHECKED);
        UiDriver::ClickButton(list, IDOK);
    });
    EXPECT_EQ(list.DoModal(), IDOK);
    EXPECT_EQ(list.checked(), std::vector<std::size_t>{1});
    ResourceChain::instance().setLanguageOverride(std::nullopt);
}

} // namespace
} // namespace vidur::cli

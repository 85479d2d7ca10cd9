// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/ConnectDialog.h"

#include "appletalk/afp/server/auth/Secret.h"
#include "text/MacRoman.h"
#include "tools/vidur/windows/AppleShareResources.h"

namespace vidur::cli {

using vidur::text::macRomanToUtf8;
using vidur::text::utf8ToMacRoman;

BEGIN_MESSAGE_MAP(ConnectDialog, CDialog)
ON_BN_CLICKED(IDC_AFP_GUEST, OnUserKind)
ON_BN_CLICKED(IDC_AFP_REGISTERED, OnUserKind)
END_MESSAGE_MAP()

ConnectDialog::ConnectDialog(std::string server, bool guestOffered, Login login)
    : CDialog(IDD_AFP_CONNECT), server_(std::move(server)), guestOffered_(guestOffered), login_(std::move(login)) {}

ConnectDialog::~ConnectDialog() { appletalk::afp::wipe(accepted_.password); }

BOOL ConnectDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    std::string prompt = AppleShareResources::text(IDS_AFP_CONNECT_AS);
    if (const auto at = prompt.find("%s"); at != std::string::npos) prompt.replace(at, 2, server_);
    GetDlgItem(IDC_AFP_PROMPT)->SetWindowText(utf8ToMacRoman(prompt).macRoman.c_str());
    GetDlgItem(IDC_AFP_GUEST)->EnableWindow(guestOffered_);
    GetDlgItem(guestOffered_ ? IDC_AFP_GUEST : IDC_AFP_REGISTERED)->SendMessage(BM_SETCHECK, BST_CHECKED);
    OnUserKind();
    // A registered user starts by typing the name; a guest has only OK to press.
    GetDlgItem(guestOffered_ ? IDOK : IDC_AFP_USER)->SetFocus();
    return FALSE;
}

bool ConnectDialog::guestChosen() const { return GetDlgItem(IDC_AFP_GUEST)->SendMessage(BM_GETCHECK) == BST_CHECKED; }

// The name and password mean something only for a registered user.
void ConnectDialog::OnUserKind() {
    const BOOL registered = guestChosen() ? FALSE : TRUE;
    GetDlgItem(IDC_AFP_USER)->EnableWindow(registered);
    GetDlgItem(IDC_AFP_PASSWORD)->EnableWindow(registered);
}

std::string ConnectDialog::fieldText(UINT id) const {
    CString text;
    GetDlgItem(static_cast<int>(id))->GetWindowText(text);
    return macRomanToUtf8(text.View());
}

void ConnectDialog::OnOK() {
    appletalk::afp::AfpLoginRequest request;
    if (!guestChosen()) {
        request.user = fieldText(IDC_AFP_USER);
        request.password = fieldText(IDC_AFP_PASSWORD);
        if (request.user.empty()) {
            MessageBox(utf8ToMacRoman(AppleShareResources::text(IDS_AFP_NEED_NAME)).macRoman.c_str());
            return;
        }
    }
    std::string problem;
    if (!login_(request, problem)) {
        appletalk::afp::wipe(request.password);
        MessageBox(utf8ToMacRoman(problem).macRoman.c_str());
        return;
    }
    accepted_ = std::move(request);
    CDialog::OnOK();
}

} // namespace vidur::cli

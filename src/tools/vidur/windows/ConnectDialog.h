// SPDX-License-Identifier: MIT
// The connect window of an AppleShare server: the server's name at the top, Guest or
// Registered User, a name and a hidden password, OK and Cancel. OK logs in through the
// caller's function; a refusal is shown in a message box with the server's reason and the
// window stays open, so the user can try again.
#pragma once

#include <functional>
#include <string>

#include "appletalk/afp/client/AfpClientSession.h"
#include "platform/ui/CDialog.h"

namespace vidur::cli {

class ConnectDialog : public CDialog {
public:
    // False with the reason (UTF-8) when the server refused.
    using Login = std::function<bool(const appletalk::afp::AfpLoginRequest&, std::string& problem)>;

    // `guestOffered`: the server takes guests (its status block offers No User Authent).
    ConnectDialog(std::string server, bool guestOffered, Login login);
    ~ConnectDialog() override;

    // After IDOK, what logged in: an empty user for a guest.
    const appletalk::afp::AfpLoginRequest& login() const { return accepted_; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnUserKind();

    DECLARE_MESSAGE_MAP()

private:
    bool guestChosen() const;
    std::string fieldText(UINT id) const; // UTF-8

    std::string server_;
    bool guestOffered_;
    Login login_;
    appletalk::afp::AfpLoginRequest accepted_;
};

} // namespace vidur::cli

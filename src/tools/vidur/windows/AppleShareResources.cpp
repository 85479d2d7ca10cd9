// SPDX-License-Identifier: MIT
// In dialog units of MS Sans Serif 8, as the library's templates; template order is tab order.
#include "tools/vidur/windows/AppleShareResources.h"

#include "platform/resources/ResourceChain.h"
#include "platform/resources/WindowStyles.h"

namespace vidur::cli {

namespace {

constexpr const char* kFont = "MS Sans Serif";
constexpr WORD kPointSize = 8;
constexpr DWORD kModalDialogStyle = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kPushButton = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefaultButton = BS_DEFPUSHBUTTON | WS_TABSTOP;
// Both radio buttons take the focus: the guest's may be disabled.
constexpr DWORD kRadio = BS_AUTORADIOBUTTON | WS_TABSTOP;
constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kCheckBox = BS_AUTOCHECKBOX | WS_TABSTOP;

constexpr DialogItemTemplate kConnectEnglish[] = {
    {IDC_AFP_PROMPT, kClassStatic, "", SS_LEFT, 10, 7, 200, 16},
    {IDC_AFP_GUEST, kClassButton, "Guest", kRadio | WS_GROUP, 20, 27, 120, 10},
    {IDC_AFP_REGISTERED, kClassButton, "Registered User", kRadio, 20, 39, 120, 10},
    {IDC_STATIC, kClassStatic, "Name:", SS_RIGHT, 10, 57, 52, 8},
    {IDC_AFP_USER, kClassEdit, "", kEdit, 66, 55, 144, 12},
    {IDC_STATIC, kClassStatic, "Password:", SS_RIGHT, 10, 73, 52, 8},
    {IDC_AFP_PASSWORD, kClassEdit, "", kEdit | ES_PASSWORD, 66, 71, 144, 12},
    {IDOK, kClassButton, "OK", kDefaultButton, 96, 94, 50, 14},
    {IDCANCEL, kClassButton, "Cancel", kPushButton, 160, 94, 50, 14},
};

constexpr DialogItemTemplate kConnectFrench[] = {
    {IDC_AFP_PROMPT, kClassStatic, "", SS_LEFT, 10, 7, 200, 16},
    {IDC_AFP_GUEST, kClassButton, "Invité", kRadio | WS_GROUP, 20, 27, 120, 10},
    {IDC_AFP_REGISTERED, kClassButton, "Utilisateur enregistré", kRadio, 20, 39, 120, 10},
    {IDC_STATIC, kClassStatic, "Nom:", SS_RIGHT, 10, 57, 52, 8},
    {IDC_AFP_USER, kClassEdit, "", kEdit, 66, 55, 144, 12},
    {IDC_STATIC, kClassStatic, "Mot de passe:", SS_RIGHT, 10, 73, 52, 8},
    {IDC_AFP_PASSWORD, kClassEdit, "", kEdit | ES_PASSWORD, 66, 71, 144, 12},
    {IDOK, kClassButton, "OK", kDefaultButton, 96, 94, 50, 14},
    {IDCANCEL, kClassButton, "Annuler", kPushButton, 160, 94, 50, 14},
};

constexpr StringResource kStrings[] = {
    {IDS_AFP_CONNECT_AS, kLangEnglishUS, "Connect to the file server \"%s\" as:"},
    {IDS_AFP_VOLUMES_CAPTION, kLangEnglishUS, "Volumes"},
    {IDS_AFP_VOLUMES_PROMPT, kLangEnglishUS, "Check the volumes to mount:"},
    {IDS_AFP_OK, kLangEnglishUS, "OK"},
    {IDS_AFP_CANCEL, kLangEnglishUS, "Cancel"},
    {IDS_AFP_NO_VOLUMES, kLangEnglishUS, "The server offers no volumes."},
    {IDS_AFP_NEED_NAME, kLangEnglishUS, "Type your name to connect as a registered user."},
    {IDS_AFP_CONNECT_AS, kLangFrench, "Connexion au serveur de fichiers « %s » en tant que:"},
    {IDS_AFP_VOLUMES_CAPTION, kLangFrench, "Volumes"},
    {IDS_AFP_VOLUMES_PROMPT, kLangFrench, "Cochez les volumes à monter:"},
    {IDS_AFP_OK, kLangFrench, "OK"},
    {IDS_AFP_CANCEL, kLangFrench, "Annuler"},
    {IDS_AFP_NO_VOLUMES, kLangFrench, "Le serveur n'offre aucun volume."},
    {IDS_AFP_NEED_NAME, kLangFrench, "Tapez votre nom pour vous connecter en utilisateur enregistré."},
};

// The volume list: the prompt, a column of check boxes, the buttons under them.
constexpr short kListWidth = 200;
constexpr short kRowHeight = 12;
constexpr short kFirstRow = 22;

} // namespace

AppleShareResources::AppleShareResources() : module_{"vidur-appleshare", {}, kStrings, {}} {
    dialogs_ = {
        {IDD_AFP_CONNECT, kLangEnglishUS, kModalDialogStyle, 40, 40, 220, 116, "Connect", kFont, kPointSize,
         kConnectEnglish},
        {IDD_AFP_CONNECT, kLangFrench, kModalDialogStyle, 40, 40, 220, 116, "Connexion", kFont, kPointSize,
         kConnectFrench},
    };
    module_.dialogs = dialogs_;
    ResourceChain::instance().addModule(module_);
}

AppleShareResources::~AppleShareResources() { ResourceChain::instance().removeModule(module_); }

std::string AppleShareResources::text(UINT id) {
    const char* found = ResourceChain::instance().findString(id);
    return found ? found : "";
}

void AppleShareResources::makeVolumeList(const std::vector<std::string>& volumes) {
    texts_ = {text(IDS_AFP_VOLUMES_PROMPT), text(IDS_AFP_OK), text(IDS_AFP_CANCEL), text(IDS_AFP_VOLUMES_CAPTION)};
    // The chain keeps a pointer to the module: it leaves while its tables change.
    ResourceChain::instance().removeModule(module_);
    texts_.insert(texts_.end(), volumes.begin(), volumes.end());
    volumeItems_.clear();
    volumeItems_.push_back({IDC_STATIC, kClassStatic, texts_[0].c_str(), SS_LEFT, 10, 7, kListWidth - 20, 8});
    short y = kFirstRow;
    for (std::size_t i = 0; i < volumes.size(); ++i, y += kRowHeight)
        volumeItems_.push_back({static_cast<UINT>(IDC_AFP_FIRST_VOLUME + i), kClassButton, texts_[4 + i].c_str(),
                                kCheckBox, 20, y, kListWidth - 30, 10});
    y += 8;
    volumeItems_.push_back({IDOK, kClassButton, texts_[1].c_str(), kDefaultButton, 76, y, 50, 14});
    volumeItems_.push_back({IDCANCEL, kClassButton, texts_[2].c_str(), kPushButton, 140, y, 50, 14});
    dialogs_.resize(2);
    dialogs_.push_back({IDD_AFP_VOLUMES, kLangEnglishUS, kModalDialogStyle, 40, 40, kListWidth,
                        static_cast<short>(y + 22), texts_[3].c_str(), kFont, kPointSize, volumeItems_});
    module_.dialogs = dialogs_;
    ResourceChain::instance().addModule(module_);
}

} // namespace vidur::cli

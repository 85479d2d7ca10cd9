// SPDX-License-Identifier: MIT
#include "TestDialogs.h"

#include <algorithm>

#include "platform/resources/ResourceChain.h"
#include "platform/resources/WindowStyles.h"
#include "platform/ui/CDC.h"
#include "platform/ui/Win32Api.h"

namespace uitest {
namespace {

constexpr DWORD kModal = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kPage = DS_SETFONT | WS_CHILD | WS_DISABLED | WS_CAPTION;

constexpr DialogItemTemplate kDialogItems[] = {
    {kTypeBox, kClassComboBox, "", CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 5, 20,
     112, 65},
    {kZoneBox, kClassComboBox, "", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 5, 60, 112, 60},
    {kList, kClassListBox, "",
     LBS_SORT | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 125, 20, 125,
     90},
    {IDOK, kClassButton, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 129, 120, 50, 14},
    {kStop, kClassButton, "Stop", BS_PUSHBUTTON | WS_TABSTOP, 26, 80, 55, 14},
    {IDCANCEL, kClassButton, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 196, 120, 50, 14},
    {kPrompt, kClassStatic, "Choose a device:", SS_LEFT, 125, 10, 125, 8},
    {kQuietList, kClassListBox, "", LBS_SORT | WS_BORDER, 5, 100, 60, 20},
};
constexpr DialogItemTemplate kFirstItems[] = {
    {3013, kClassButton, "Clear", BS_PUSHBUTTON | WS_TABSTOP, 125, 50, 50, 14}};
constexpr DialogItemTemplate kSecondItems[] = {{3011, kClassStatic, "Unknown", SS_LEFT, 70, 10, 105, 9}};

constexpr DialogTemplate kDialogs[] = {
    {kDialog, kLangEnglishUS, kModal, 36, 35, 261, 143, "Test dialog", "MS Sans Serif", 8, kDialogItems},
    {kFirstPage, kLangEnglishUS, kPage, 0, 0, 185, 92, "First", "MS Sans Serif", 8, kFirstItems},
    {kSecondPage, kLangEnglishUS, kPage, 0, 0, 185, 92, "Second", "MS Sans Serif", 8, kSecondItems},
};
constexpr StringResource kStrings[] = {{kStringFrench, kLangEnglishUS, "Général"}};

// 32 x 32: a red square of 16 pixels at (8, 8), the rest white.
const char* const* iconXpm() {
    static std::vector<std::string> rows;
    static std::vector<const char*> xpm;
    if (xpm.empty()) {
        rows.push_back("32 32 2 1");
        rows.push_back(". c #FFFFFF");
        rows.push_back("r c #FF0000");
        for (int y = 0; y < 32; ++y) {
            std::string row(32, '.');
            if (y >= 8 && y < 24) std::fill(row.begin() + 8, row.begin() + 24, 'r');
            rows.push_back(row);
        }
        for (const std::string& r : rows) xpm.push_back(r.c_str());
    }
    return xpm.data();
}

} // namespace

const ResourceModule& TestModule() {
    static const IconResource icons[] = {{kIcon, iconXpm()}};
    static const ResourceModule module{"ui tests", kDialogs, kStrings, icons};
    return module;
}

TestResources::TestResources() { ResourceChain::instance().addModule(TestModule()); }
TestResources::~TestResources() { ResourceChain::instance().removeModule(TestModule()); }

void StringItemBox::DrawItem(LPDRAWITEMSTRUCT dis) { drawn.push_back(dis->itemID); }

void StringItemBox::MeasureItem(LPMEASUREITEMSTRUCT mis) {
    measured.push_back(mis->itemID);
    mis->itemHeight = 20;
}

int StringItemBox::CompareItem(LPCOMPAREITEMSTRUCT cis) {
    ++compares;
    const auto* a = reinterpret_cast<const std::string*>(cis->itemData1);
    const auto* b = reinterpret_cast<const std::string*>(cis->itemData2);
    return a->compare(*b);
}

void StringItemBox::DeleteItem(LPDELETEITEMSTRUCT dis) {
    auto* text = reinterpret_cast<std::string*>(dis->itemData);
    deleted.push_back(*text);
    delete text;
}

BEGIN_MESSAGE_MAP(RecordingDialog, CDialog)
ON_CBN_CLOSEUP(kTypeBox, OnTypeCloseUp)
ON_CBN_SELCHANGE(kTypeBox, OnTypeSelChange)
ON_CBN_CLOSEUP(kZoneBox, OnZoneCloseUp)
ON_CBN_SELCHANGE(kZoneBox, OnZoneSelChange)
ON_CBN_DROPDOWN(kZoneBox, OnZoneDropDown)
ON_LBN_SELCHANGE(kList, OnListSelChange)
ON_LBN_DBLCLK(kList, OnOK) // as the Chooser: a double click is OK
ON_LBN_DBLCLK(kQuietList, OnQuietDblClk)
ON_BN_CLICKED(kStop, OnStop)
ON_WM_TIMER()
END_MESSAGE_MAP()

BOOL RecordingDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    m_typeBox.SubclassDlgItem(kTypeBox, this);
    if (onInit) onInit(*this);
    return TRUE;
}

void RecordingDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kZoneBox, m_zoneBox);
    DDX_Control(pDX, kList, m_list);
    DDX_Control(pDX, kPrompt, m_prompt);
}

void RecordingDialog::OnOK() {
    events.push_back("ok");
    CDialog::OnOK();
}

void RecordingDialog::OnCancel() {
    events.push_back("cancel");
    if (deleteItselfOnDestroy) {
        DestroyWindow();
        return;
    }
    CDialog::OnCancel();
}

void RecordingDialog::OnTimer(UINT_PTR nIDEvent) {
    events.push_back("timer " + std::to_string(nIDEvent));
    if (onTimer) onTimer(*this, nIDEvent);
}

void RecordingDialog::PostNcDestroy() {
    CDialog::PostNcDestroy();
    if (destroyedFlag) *destroyedFlag = true;
    if (deleteItselfOnDestroy) delete this;
}

int count(const std::vector<std::string>& events, const std::string& event) {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
}

} // namespace uitest

// SPDX-License-Identifier: MIT
// Templates, strings and icons for the window layer's tests, and a dialog that records the
// notifications it gets.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/resources/ResourceTypes.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CListBox.h"
#include "platform/ui/CStatic.h"

namespace uitest {

constexpr UINT kDialog = 9001; // 261 x 143, like the Chooser
constexpr UINT kFirstPage = 9002; // "First": button 3013
constexpr UINT kSecondPage = 9003; // "Second": static 3011
constexpr UINT kMissing = 9099;
constexpr UINT kStringFrench = 9100; // "Général"
constexpr UINT kIcon = 9200; // red square on white

constexpr UINT kTypeBox = 100; // owner-drawn, variable height, sorted, no strings
constexpr UINT kZoneBox = 101; // sorted strings
constexpr UINT kList = 102; // sorted, notifies, tab stops
constexpr UINT kStop = 103; // push button
constexpr UINT kPrompt = 104; // static text
constexpr UINT kQuietList = 106; // no LBS_NOTIFY

const ResourceModule& TestModule();

// Registers the test module with the resource chain for the life of the object.
class TestResources {
public:
    TestResources();
    ~TestResources();
    TestResources(const TestResources&) = delete;
    TestResources& operator=(const TestResources&) = delete;
};

// An owner-drawn box without strings whose items are heap strings it compares and deletes.
class StringItemBox : public CComboBox {
public:
    int AddItem(const char* text) { return AddString(reinterpret_cast<LPCSTR>(new std::string(text))); }
    std::string ItemText(int index) const { return *reinterpret_cast<std::string*>(GetItemData(index)); }
    void DrawItem(LPDRAWITEMSTRUCT dis) override;
    void MeasureItem(LPMEASUREITEMSTRUCT mis) override;
    int CompareItem(LPCOMPAREITEMSTRUCT cis) override;
    void DeleteItem(LPDELETEITEMSTRUCT dis) override;

    std::vector<std::string> deleted;
    std::vector<UINT> measured;
    std::vector<UINT> drawn;
    int compares = 0;
};

class RecordingDialog : public CDialog {
public:
    explicit RecordingDialog(UINT nIDTemplate = kDialog) : CDialog(nIDTemplate) {}

    StringItemBox m_typeBox;
    CComboBox m_zoneBox;
    CListBox m_list;
    CStatic m_prompt;
    std::vector<std::string> events;
    std::function<void(RecordingDialog&)> onInit;
    std::function<void(RecordingDialog&, UINT_PTR)> onTimer;
    bool* destroyedFlag = nullptr; // set by PostNcDestroy
    bool deleteItselfOnDestroy = false;
    int closeUpSelection = -2; // the zone box's selection when its list last closed

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR nIDEvent);

protected:
    void PostNcDestroy() override;
    void OnTypeCloseUp() { events.push_back("closeup 100"); }
    void OnTypeSelChange() { events.push_back("selchange 100"); }
    void OnZoneCloseUp() {
        events.push_back("closeup 101");
        closeUpSelection = m_zoneBox.GetCurSel();
    }
    void OnZoneSelChange() { events.push_back("selchange 101"); }
    void OnZoneDropDown() { events.push_back("dropdown 101"); }
    void OnListSelChange() { events.push_back("selchange 102"); }
    void OnQuietDblClk() { events.push_back("dblclk 106"); }
    void OnStop() { events.push_back("clicked 103"); }

    DECLARE_MESSAGE_MAP()
};

// The events of a kind, e.g. count(events, "closeup 101").
int count(const std::vector<std::string>& events, const std::string& event);

} // namespace uitest

// SPDX-License-Identifier: MIT
// The Chooser: the modal dialog in which the user picks an AppleTalk device type, a zone
// and one device of that type found there by an NBP look-up. On OK the chosen device goes
// to the package of its type (recent list, default printer) and is kept for the caller.
//
//   ZChooserDialog chooser(flags, parent); // bit 0 printers, bit 1 file servers
//   if (chooser.DoModal() == IDOK) use(chooser.GetChosenTuple());
//
// The zone enumeration and the look-ups are polled from timer 229 every 100 ms.
#pragma once

#include <vector>

#include "platform/core/CMapStringToPtr.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CListBox.h"
#include "platform/ui/CStatic.h"
#include "vidur20/atalk/AppleTalk.h"
#include "vidur20/chooser/ZIconComboBox.h"

class ZChooserDialog : public CDialog {
public:
    // Which device classes to offer: bit 0 (value 1) printers, bit 1 (value 2) file servers.
    static constexpr int kOfferPrinters = 1;
    static constexpr int kOfferFileServers = 2;
    // The polling timer uses the template's number; it ticks every 100 ms.
    static constexpr UINT_PTR kTimerID = 229;
    static constexpr UINT kTimerPeriod = 100;

    explicit ZChooserDialog(int nFlags, CWnd* pParent = nullptr);
    ~ZChooserDialog() override;

    // The device chosen on OK, all zero when OK was pressed with no device selected.
    const _NBPTuple& GetChosenTuple() const { return m_tupleChosen; }
    // Whether OK recorded the chosen device as the first of its recent list.
    bool ChoiceRecorded() const { return m_bRecorded; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR nIDEvent);
    void OnStopLookup();

    // Look-ups (also the handler of a drop-down list closing), activity and controls.
    void StartLookup();
    void StopActivity();
    void EnableControls(BOOL bEnable);
    // The zone of a look-up into a 34-byte buffer: "*" while ZIP failed or nothing is selected.
    int GetZoneText(char* buffer);
    // Reads "object\ttype\tnet node socket" back into tuple (zone left alone).
    void ParseDeviceItem(const char* text, _NBPTuple* tuple);
    void CreatePackages();
    void DeletePackages();

    CStatic m_wndPrompt;
    CComboBox m_boxZone;
    CListBox m_listDevice;
    ZIconComboBox m_boxType;
    CMapStringToPtr m_mapPackages;
    _NBPTuple m_tupleChosen;
    _NBPEntityName m_entityLookup;
    ATEnumHandle m_hZipEnum;
    int m_nZipStatus;
    ATEnumHandle m_hNbpEnum;
    int m_nFlags;
    int m_nTimerDepth;
    bool m_bRecorded = false;

    DECLARE_MESSAGE_MAP()

private:
    // The zone tick answers false while the enumeration is still running.
    bool OnZoneTick();
    void OnLookupTick();
    void FillZoneBox();
    void SelectLocalZone();
    void FillDeviceList();
    void AddDevice(const _NBPTuple& found);
    void ClearDeviceList();
    // The device of list item index as found: its stored tuple, else its text parsed.
    void ReadDeviceItem(int index, _NBPTuple* tuple);
    void OfferPackage(class ZDevicePackage* package, bool isPrinter);
    // Hands the chosen device to the package and tells the user when it could not be recorded.
    void RecordChoice(class ZDevicePackage& package);
    void SetDialogCursor(LPCSTR cursor);

    // Every tuple the last look-up found, as found; item data of the device list is an index
    // into it plus one, so the device handed on never depends on re-reading the item's text
    // (a name from the network may hold a tab).
    std::vector<_NBPTuple> m_foundTuples;
};

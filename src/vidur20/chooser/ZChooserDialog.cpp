// SPDX-License-Identifier: MIT
#include "vidur20/chooser/ZChooserDialog.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/core/TemporaryChange.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/Win32Api.h"
#include "tarvlib/NameFields.h"
#include "vidur20/packages/LookupNoCase.h"
#include "vidur20/packages/ZAFPServerPackage.h"
#include "vidur20/packages/ZImageWriterLQPackage.h"
#include "vidur20/packages/ZImageWriterPackage.h"
#include "vidur20/packages/ZLaserWriterPackage.h"
#include "vidur20/res/ResourceIds.h"

namespace {

constexpr int kItemBufferSize = 256;
constexpr int kTypeTextSize = 80;
constexpr int kDeviceTabStop = 256; // dialog units: beyond the list's right edge
constexpr const char kIsolatedNetwork[] = "Isolated AppleTalk Network";

using appletalk::api::kNameFieldMaxChars;
using appletalk::api::storeField;

// A name field from the library should be terminated; one that is not is cut at its last
// byte rather than read past its end.
void terminateNames(_NBPEntityName& name) {
    name.object[kNameFieldMaxChars] = '\0';
    name.type[kNameFieldMaxChars] = '\0';
    name.zone[kNameFieldMaxChars] = '\0';
}

LONG cursorValue(LPCSTR cursor) {
    return static_cast<LONG>(reinterpret_cast<std::intptr_t>(LoadCursor(nullptr, cursor)));
}

} // namespace

BEGIN_MESSAGE_MAP(ZChooserDialog, CDialog)
ON_WM_TIMER()
ON_CBN_CLOSEUP(IDC_TYPE_BOX, StartLookup)
ON_CBN_CLOSEUP(IDC_ZONE_BOX, StartLookup)
ON_LBN_DBLCLK(IDC_DEVICE_LIST, OnOK)
ON_BN_CLICKED(IDC_STOP_LOOKUP, OnStopLookup)
END_MESSAGE_MAP()

ZChooserDialog::ZChooserDialog(int nFlags, CWnd* pParent)
    : CDialog(IDD_CHOOSER, pParent),
      m_mapPackages(10),
      m_tupleChosen{},
      m_entityLookup{},
      m_hZipEnum(0),
      m_nZipStatus(0),
      m_hNbpEnum(0),
      m_nFlags(nFlags),
      m_nTimerDepth(0) {}

// OK and Cancel delete the packages; a dialog that ends another way (its window destroyed
// under it) must not leak them or leave an enumeration open in the library.
ZChooserDialog::~ZChooserDialog() { DeletePackages(); }

void ZChooserDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DEVICE_PROMPT, m_wndPrompt);
    DDX_Control(pDX, IDC_ZONE_BOX, m_boxZone);
    DDX_Control(pDX, IDC_DEVICE_LIST, m_listDevice);
}

BOOL ZChooserDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    // The icon of the Chooser's menu entry, for the title bar and the task bar.
    const HICON icon = AfxLoadIcon(IDI_APPLETALK_ZONE);
    SetIcon(icon, TRUE);
    SetIcon(icon, FALSE);
    m_boxType.SubclassDlgItem(IDC_TYPE_BOX, this);
    m_boxType.SetItemHeight(-1, static_cast<UINT>(GetSystemMetrics(SM_CYICON) + 4));
    CreatePackages();
    ZIPOpenEnum(&m_hZipEnum, 0); // the result is not used: no handle means no enumeration
    m_listDevice.EnableWindow(FALSE);
    const int laserWriter = m_boxType.FindItem("LaserWriter");
    m_boxType.SetCurSel(laserWriter != -1 ? laserWriter : 0);
    m_boxZone.EnableWindow(FALSE);
    m_listDevice.SetTabStops(kDeviceTabStop);
    if (m_hWnd) SetTimer(kTimerID, kTimerPeriod);
    return TRUE;
}

// --- Packages -------------------------------------------------------------------------

void ZChooserDialog::CreatePackages() {
    if (m_nFlags & kOfferPrinters) {
        OfferPackage(new ZLaserWriterPackage("LaserWriter"), true);
        OfferPackage(new ZImageWriterPackage(nullptr), true);
        OfferPackage(new ZImageWriterLQPackage(nullptr), true);
    }
    if (m_nFlags & kOfferFileServers) OfferPackage(new ZAFPServerPackage(nullptr), false);
    POSITION pos = m_mapPackages.GetStartPosition();
    while (pos != nullptr) {
        CString key;
        void* value = nullptr;
        m_mapPackages.GetNextAssoc(pos, key, value);
        auto* package = static_cast<ZDevicePackage*>(value);
        m_boxType.AddItem(package->GetTypeName(), package->GetIconID());
    }
}

// Keeps a valid package (a printer only when the library takes its type for PostScript)
// under its NBP type; deletes it otherwise.
void ZChooserDialog::OfferPackage(ZDevicePackage* package, bool isPrinter) {
    if (package == nullptr) return;
    const bool offered = package->IsValid() && (!isPrinter || IsPostScriptPrinterType(package->GetNBPType()));
    if (!offered) {
        delete package;
        return;
    }
    // A package replaced under the same key would otherwise be lost to every later delete.
    void* previous = nullptr;
    if (m_mapPackages.Lookup(package->GetNBPType(), previous) && previous != package)
        delete static_cast<ZDevicePackage*>(previous);
    m_mapPackages.SetAt(package->GetNBPType(), package);
}

void ZChooserDialog::DeletePackages() {
    StopActivity();
    while (!m_mapPackages.IsEmpty()) {
        POSITION pos = m_mapPackages.GetStartPosition();
        CString key;
        void* value = nullptr;
        m_mapPackages.GetNextAssoc(pos, key, value);
        m_mapPackages.RemoveKey(key);
        delete static_cast<ZDevicePackage*>(value);
    }
}

// --- Messages -------------------------------------------------------------------------

void ZChooserDialog::OnTimer(UINT_PTR nIDEvent) {
    // A tick delivered while an earlier one is still handled (its message box is open) is
    // dropped.
    if (m_nTimerDepth > 0) return;
    {
        const TemporaryChange depth(m_nTimerDepth, m_nTimerDepth + 1);
        if (nIDEvent == kTimerID) {
            if (m_hZipEnum != 0) {
                if (!OnZoneTick()) return;
            } else if (m_hNbpEnum != 0) {
                OnLookupTick();
            }
        }
    }
    CDialog::OnTimer(nIDEvent);
}

void ZChooserDialog::OnStopLookup() {
    StopActivity();
    EnableControls(TRUE);
}

void ZChooserDialog::OnOK() {
    const int selected = m_listDevice.GetCurSel();
    if (selected != LB_ERR) {
        ReadDeviceItem(selected, &m_tupleChosen);
        if (m_nZipStatus != 0)
            storeField(m_tupleChosen.entity.zone, "*");
        else
            storeField(m_tupleChosen.entity.zone, m_entityLookup.zone);
        void* package = nullptr;
        if (!m_mapPackages.IsEmpty() && LookupNoCase(m_mapPackages, m_tupleChosen.entity.type, package)) {
            RecordChoice(*static_cast<ZDevicePackage*>(package));
        } else if ((m_nFlags & kOfferPrinters) && IsPostScriptPrinterType(m_tupleChosen.entity.type)) {
            // A printer of a type that only the PostScript types setting names, found when
            // none of the built-in types is offered (the look-up then asks for any type). The
            // LaserWriter package serves whatever PostScript type it is given: the choice is
            // recorded like the built-in ones, or the stop message says why it is not.
            ZLaserWriterPackage settingsType(m_tupleChosen.entity.type);
            RecordChoice(settingsType);
        }
    }
    DeletePackages();
    CDialog::OnOK();
}

void ZChooserDialog::RecordChoice(ZDevicePackage& package) {
    package.SelectDevice(&m_tupleChosen, this);
    // What the package did, not what entry 1 reads now: another process may have recorded its
    // own choice since. If not recorded, the user is told why.
    using Result = ZDevicePackage::RecordResult;
    const Result result = package.GetLastRecordResult();
    m_bRecorded = result == Result::Recorded;
    if (result == Result::CannotStore || result == Result::WriteFailed)
        AfxMessageBox(result == Result::CannotStore ? IDS_CHOICE_NOT_STORABLE : IDS_CHOICE_NOT_WRITTEN,
                      MB_OK | MB_ICONSTOP);
}

void ZChooserDialog::OnCancel() {
    DeletePackages();
    CDialog::OnCancel();
}

// --- Zones ----------------------------------------------------------------------------

bool ZChooserDialog::OnZoneTick() {
    m_nZipStatus = ZIPEnumStatus(m_hZipEnum);
    if (m_nZipStatus == ENUM_RUNNING) {
        if (m_hWnd) SetTimer(kTimerID, kTimerPeriod);
        return false;
    }
    if (m_nZipStatus == ENUM_COMPLETE) {
        FillZoneBox();
        ZIPCloseEnum(m_hZipEnum);
        m_hZipEnum = 0;
        SelectLocalZone();
        m_boxZone.EnableWindow(TRUE);
    } else {
        ZIPCloseEnum(m_hZipEnum);
        m_hZipEnum = 0;
        m_boxZone.ResetContent();
        m_boxZone.SetCurSel(m_boxZone.AddString(kIsolatedNetwork));
        // Stays disabled: the first look-up's end enables it with the other controls.
    }
    StartLookup();
    return true;
}

void ZChooserDialog::FillZoneBox() {
    m_boxZone.ResetContent();
    uint16_t count = 0;
    ZIPZoneCount(m_hZipEnum, &count);
    for (uint16_t i = 0; i < count; ++i) {
        char zone[NBP_NAME_FIELD_SIZE] = {};
        ZIPReadEnum(m_hZipEnum, i, zone);
        zone[kNameFieldMaxChars] = '\0';
        m_boxZone.AddString(zone);
    }
}

// The first zone from the top whose name begins with the node's own zone, case ignored.
void ZChooserDialog::SelectLocalZone() {
    char myZone[NBP_NAME_FIELD_SIZE] = {};
    m_nZipStatus = ZIPGetMyZone(myZone);
    myZone[kNameFieldMaxChars] = '\0';
    // Without a known zone name every entry would match the empty prefix; select none then
    // (look-ups use "*" while ZIP failed anyway).
    if (m_nZipStatus != 0 || myZone[0] == '\0') {
        m_boxZone.SetCurSel(-1);
        return;
    }
    m_boxZone.SetCurSel(m_boxZone.FindString(-1, myZone));
}

int ZChooserDialog::GetZoneText(char* buffer) {
    const int selected = m_boxZone.GetCurSel();
    if (m_nZipStatus == 0 && selected != CB_ERR) {
        CString zone;
        m_boxZone.GetLBText(selected, zone);
        if (!zone.IsEmpty()) {
            storeField(buffer, zone.View());
            return static_cast<int>(std::strlen(buffer));
        }
    }
    storeField(buffer, "*");
    return 1;
}

// --- Look-ups -------------------------------------------------------------------------

void ZChooserDialog::StartLookup() {
    if (m_hZipEnum != 0) return;
    if (m_hNbpEnum != 0) {
        NBPCloseEnum(m_hNbpEnum);
        m_hNbpEnum = 0;
    }
    char type[kTypeTextSize] = {};
    m_boxType.GetCurSelText(type);
    if (type[0] == '\0') storeField(type, "=");
    storeField(m_entityLookup.type, type);
    void* package = nullptr;
    if (!m_mapPackages.IsEmpty() && m_mapPackages.Lookup(m_entityLookup.type, package))
        m_wndPrompt.SetWindowText(static_cast<ZDevicePackage*>(package)->GetPrompt());
    GetZoneText(m_entityLookup.zone);
    NBPSetEntityName(&m_entityLookup, "=", nullptr, nullptr);
    SetDialogCursor(IDC_WAIT);
    EnableControls(FALSE);
    m_listDevice.EnableWindow(FALSE);
    ClearDeviceList();
    if (NBPOpenEnum(&m_hNbpEnum, 2, 2, 1024, &m_entityLookup) != 0) {
        m_hNbpEnum = 0;
        SetDialogCursor(IDC_ARROW);
        EnableControls(TRUE);
    } else if (m_hNbpEnum != 0) {
        SetTimer(kTimerID, kTimerPeriod);
    }
}

void ZChooserDialog::OnLookupTick() {
    const int status = NBPEnumStatus(m_hNbpEnum);
    if (status == ENUM_RUNNING) return;
    SetDialogCursor(IDC_ARROW);
    EnableControls(TRUE);
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    if (status == ENUM_COMPLETE) {
        FillDeviceList();
    } else if (status < 0) {
        // The nested loop of the box may deliver ticks; the depth guard drops them, and the
        // look-up stays open until the box is dismissed.
        AfxMessageBox(IDS_STATUS_NOT_FOUND, MB_ICONSTOP | MB_OK);
    }
    NBPCloseEnum(m_hNbpEnum);
    m_hNbpEnum = 0;
}

void ZChooserDialog::FillDeviceList() {
    uint16_t count = 0;
    NBPFoundCount(m_hNbpEnum, &count);
    m_foundTuples.reserve(count);
    for (uint16_t i = 0; i < count; ++i) {
        _NBPTuple found{};
        NBPReadEnum(m_hNbpEnum, i, &found);
        AddDevice(found);
    }
    if (m_listDevice.GetCount() > 0) m_listDevice.SetCurSel(0);
    m_listDevice.EnableWindow(TRUE);
}

// The item shows the name before its first tab; the tuple as found rides along as item data.
void ZChooserDialog::AddDevice(const _NBPTuple& found) {
    m_foundTuples.push_back(found);
    _NBPTuple& kept = m_foundTuples.back();
    terminateNames(kept.entity);
    char item[kItemBufferSize];
    std::snprintf(item, sizeof item, "%s\t%s\t%u %u %u", kept.entity.object, kept.entity.type,
                  static_cast<unsigned>(kept.address.network), static_cast<unsigned>(kept.address.nodeID),
                  static_cast<unsigned>(kept.address.socket));
    const int index = m_listDevice.AddString(item);
    if (index >= 0) m_listDevice.SetItemData(index, static_cast<DWORD_PTR>(m_foundTuples.size()));
}

void ZChooserDialog::ClearDeviceList() {
    m_listDevice.ResetContent();
    m_foundTuples.clear();
}

void ZChooserDialog::ReadDeviceItem(int index, _NBPTuple* tuple) {
    const DWORD_PTR data = m_listDevice.GetItemData(index);
    if (data != static_cast<DWORD_PTR>(LB_ERR) && data >= 1 && data <= m_foundTuples.size()) {
        const _NBPTuple& found = m_foundTuples[data - 1];
        std::memcpy(tuple->entity.object, found.entity.object, sizeof tuple->entity.object);
        std::memcpy(tuple->entity.type, found.entity.type, sizeof tuple->entity.type);
        tuple->address = found.address;
        tuple->enumerator = 0;
        return;
    }
    char text[kItemBufferSize] = {};
    if (m_listDevice.GetTextLen(index) < kItemBufferSize) m_listDevice.GetText(index, text);
    ParseDeviceItem(text, tuple);
}

void ZChooserDialog::ParseDeviceItem(const char* text, _NBPTuple* tuple) {
    const char* firstTab = std::strchr(text, '\t');
    const char* typeStart = firstTab ? firstTab + 1 : text + std::strlen(text);
    const char* secondTab = firstTab ? std::strchr(typeStart, '\t') : nullptr;
    const char* typeEnd = secondTab ? secondTab : typeStart + std::strlen(typeStart);
    storeField(tuple->entity.object,
               std::string_view(text, static_cast<std::size_t>((firstTab ? firstTab : typeStart) - text)));
    storeField(tuple->entity.type, std::string_view(typeStart, static_cast<std::size_t>(typeEnd - typeStart)));
    unsigned network = 0;
    unsigned node = 0;
    unsigned socket = 0;
    if (secondTab) std::sscanf(secondTab + 1, "%u %u %u ", &network, &node, &socket);
    tuple->address.network = static_cast<uint16_t>(network);
    tuple->address.nodeID = static_cast<uint8_t>(node);
    tuple->address.socket = static_cast<uint8_t>(socket);
    tuple->enumerator = 0;
}

void ZChooserDialog::StopActivity() {
    if (m_hWnd) KillTimer(kTimerID);
    if (m_hZipEnum != 0) {
        ZIPCloseEnum(m_hZipEnum);
        m_hZipEnum = 0;
    }
    if (m_hNbpEnum != 0) {
        NBPCloseEnum(m_hNbpEnum);
        m_hNbpEnum = 0;
    }
    SetDialogCursor(IDC_ARROW);
}

void ZChooserDialog::EnableControls(BOOL bEnable) {
    static constexpr UINT kSwitched[] = {IDC_TYPE_BOX, IDC_ZONE_BOX, IDC_DEVICE_LIST, IDOK};
    for (UINT id : kSwitched)
        if (CWnd* control = GetDlgItem(static_cast<int>(id))) control->EnableWindow(bEnable);
    if (CWnd* stop = GetDlgItem(static_cast<int>(IDC_STOP_LOOKUP))) stop->EnableWindow(!bEnable);
}

void ZChooserDialog::SetDialogCursor(LPCSTR cursor) {
    if (m_hWnd) SetClassLongA(m_hWnd, GCL_HCURSOR, cursorValue(cursor));
}

// SPDX-License-Identifier: MIT
#include "vidur20/status/ZPrinterStatusDialog.h"

#include <atomic>
#include <cstring>

#include "platform/ui/CDataExchange.h"
#include "platform/ui/Win32Api.h"
#include "vidur20/res/ResourceIds.h"

BEGIN_MESSAGE_MAP(ZPrinterStatusDialog, CDialog)
ON_WM_TIMER()
ON_WM_DESTROY()
ON_CBN_SELCHANGE(IDC_PRINTER_BOX, OnSelChangePrinter)
END_MESSAGE_MAP()

namespace {

constexpr int kInProgress = 1;

// Offsets of the status request's fields inside the parameter area.
constexpr std::size_t kRequestIdAt = DB_REQUEST_ID_OFFSET - DISPATCH_PARAMS_OFFSET;
constexpr std::size_t kTupleAt = DB_STATUS_TUPLE_OFFSET - DISPATCH_PARAMS_OFFSET;
constexpr std::size_t kTextAt = DB_STATUS_TEXT_OFFSET - DISPATCH_PARAMS_OFFSET;

_NBPTuple TupleOf(const _DispatchBlock& block) {
    _NBPTuple tuple;
    std::memcpy(&tuple, block.params + kTupleAt, sizeof tuple);
    return tuple;
}

void SetTuple(_DispatchBlock& block, const _NBPTuple& tuple) {
    std::memcpy(block.params + kTupleAt, &tuple, sizeof tuple);
}

} // namespace

ZPrinterStatusDialog::ZPrinterStatusDialog(CWnd* pParent) : CDialog(IDD_PRINTER_STATUS, pParent) {
    // The modeless window has no owner, whatever parent the host named.
    Create(IDD_PRINTER_STATUS, nullptr);
}

ZPrinterStatusDialog::~ZPrinterStatusDialog() {
    // Deleted from outside with its window still up: the window goes after these members,
    // with no message to this object, so the request must end here.
    if (m_requestOut) EndStatusQuery();
}

void ZPrinterStatusDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_STATUS_TEXT, m_statusText);
}

void ZPrinterStatusDialog::PostNcDestroy() {
    CDialog::PostNcDestroy();
    delete this;
}

int ZPrinterStatusDialog::ReadResult(const _DispatchBlock& block) {
    // The stack writes the result last, from its own thread; acquire makes the reply it
    // wrote before visible with it.
    return std::atomic_ref<int32_t>(const_cast<int32_t&>(block.result)).load(std::memory_order_acquire);
}

void ZPrinterStatusDialog::ShowString(UINT nID) {
    CString text;
    AfxLoadString(nID, text);
    m_statusText.SetWindowText(text);
}

void ZPrinterStatusDialog::ShowAnswer() {
    // Read up to the field's end whether or not the stack terminated the text.
    const char* text = reinterpret_cast<const char*>(m_statusBlock.params + kTextAt);
    const std::size_t length = strnlen(text, DB_STATUS_TEXT_SIZE);
    if (length == 0) return; // an empty answer leaves the last text up
    m_statusText.SetWindowText(CString(text, static_cast<int>(length)));
}

BOOL ZPrinterStatusDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    // A printer's window: the LaserWriter's icon in the title bar and the task bar.
    const HICON icon = AfxLoadIcon(IDI_LASERWRITER);
    SetIcon(icon, TRUE);
    SetIcon(icon, FALSE);
    m_printerBox.SubclassDlgItem(IDC_PRINTER_BOX, this);
    if (m_printerBox.LoadPrinterList(nullptr) == 0) {
        // Nothing to ask about: the window stays, idle, until the user cancels it.
        AfxMessageBox(IDS_NO_PRINTERS, MB_OK | MB_ICONSTOP);
        return TRUE;
    }
    ShowString(IDS_STATUS_LOOKING);
    QueryPrinterStatus();
    if (m_hWnd) SetTimer(kTimerId, kTimerPeriodMs);
    return TRUE;
}

int ZPrinterStatusDialog::QueryPrinterStatus() {
    if (ReadResult(m_statusBlock) == kInProgress) return kInProgress;
    _NBPTuple printer = TupleOf(m_statusBlock);
    const int index = m_printerBox.GetCurSelPrinter(&printer);
    if (index == -1) return 0;
    SetTuple(m_statusBlock, printer);
    if (index != m_lastQueried) ShowString(IDS_STATUS_LOOKING);
    m_statusBlock.command = ATALK_CMD_PRINTER_STATUS;
    m_lastQueried = index;
    m_selectionChanged = 0;
    m_statusBlock.cleared36 = 0;
    m_statusBlock.cleared44 = 0;
    m_requestOut = true;
    ATALKDispatch(&m_statusBlock); // the outcome comes through the result field
    return ReadResult(m_statusBlock);
}

void ZPrinterStatusDialog::OnTimer(UINT_PTR) {
    // A tick that arrives while one is being handled is dropped whole.
    if (m_timerEntries > 0) return;
    ++m_timerEntries;
    const int result = ReadResult(m_statusBlock);
    if (result == 0) {
        ShowAnswer();
        const _NBPTuple printer = TupleOf(m_statusBlock);
        m_printerBox.UpdatePrinterAddress(&printer);
        QueryPrinterStatus();
    } else if (result < 0) {
        if (m_selectionChanged)
            QueryPrinterStatus();
        else
            ShowString(IDS_STATUS_NOT_FOUND);
    }
    --m_timerEntries;
    Default();
}

void ZPrinterStatusDialog::OnSelChangePrinter() {
    m_selectionChanged = 1;
    QueryPrinterStatus();
}

void ZPrinterStatusDialog::OnCancel() {
    if (m_hWnd) KillTimer(kTimerId);
    EndStatusQuery();
    DestroyWindow(); // PostNcDestroy deletes this
}

void ZPrinterStatusDialog::OnDestroy() {
    // Destroyed by another way than Cancel (DestroyWindow from outside, a closing owner):
    // the blocks go with this object, so the stack must be done with them first.
    if (m_requestOut) EndStatusQuery();
    CDialog::OnDestroy();
}

int ZPrinterStatusDialog::EndStatusQuery() {
    std::memcpy(m_endBlock.params + kRequestIdAt, m_statusBlock.params + kRequestIdAt, sizeof(uint32_t));
    m_endBlock.cleared36 = 0;
    m_endBlock.command = ATALK_CMD_END_PRINTER;
    m_endBlock.cleared44 = 0;
    ATALKDispatch(&m_endBlock);
    // No time limit: until the stack has finished the end request it may still write into
    // the blocks, which must not be reused or freed before then.
    int result = ReadResult(m_endBlock);
    while (result == kInProgress) {
        Sleep(kEndPollMs);
        result = ReadResult(m_endBlock);
    }
    std::memset(&m_statusBlock, 0, sizeof m_statusBlock);
    std::memset(&m_endBlock, 0, sizeof m_endBlock);
    m_requestOut = false;
    return result;
}

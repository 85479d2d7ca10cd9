// SPDX-License-Identifier: MIT
#include "vidur20/netinfo/CNetGeneralPage.h"

#include <atomic>
#include <cstring>

#include "platform/core/Wsprintf.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/Win32Api.h"
#include "vidur20/res/ResourceIds.h"

IMPLEMENT_DYNCREATE(CNetGeneralPage, CPropertyPage)

namespace {

constexpr int kInProgress = 1;
// The one buffer every text is formatted into.
constexpr int kTextSize = 48;

int ReadResult(const _DispatchBlock& block) {
    // Written last by the stack's thread; acquire brings the reply written before it.
    return std::atomic_ref<int32_t>(const_cast<int32_t&>(block.result)).load(std::memory_order_acquire);
}

uint16_t ReadU16(const _DispatchBlock& block, std::size_t offset) {
    uint16_t value;
    std::memcpy(&value, reinterpret_cast<const uint8_t*>(&block) + offset, sizeof value);
    return value;
}

} // namespace

CNetGeneralPage::CNetGeneralPage() : CPropertyPage(IDD_NET_GENERAL) {}

CNetGeneralPage::~CNetGeneralPage() = default;

void CNetGeneralPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_NET_RANGE, m_networkRange);
    DDX_Control(pDX, IDC_NET_ADDRESS, m_networkAddress);
    DDX_Control(pDX, IDC_LOCAL_ZONE, m_localZone);
}

BOOL CNetGeneralPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    _DispatchBlock* block = nullptr;
    if (MPPAlloc(&block, 0) != 0) return TRUE; // no block: the page shows "Unknown"
    block->command = ATALK_CMD_NODE_INFO;
    block->cleared36 = 0;
    block->cleared44 = 0;
    block->cleared48 = 0;
    const int dispatched = ATALKDispatch(block);
    // A refused request has nothing to wait for, whatever its result field holds.
    const int result = dispatched < 0 ? dispatched : WaitForAnswer(*block);
    if (dispatched < 0 || result < 0)
        ReportFailure();
    else
        ShowAnswer(*block);
    MPPFree(block);
    return TRUE;
}

// The limit is the stack's: it answers a node-information request once its start-up has
// ended, with the node's address or with a failure (no link, no address). A fixed limit of
// the page's own would end the wait early on a slow network (every frame lost: about 7 s)
// and report a failure that is none. The reads pause so the wait does not take a core.
int CNetGeneralPage::WaitForAnswer(const _DispatchBlock& block) {
    for (;;) {
        const int result = ReadResult(block);
        if (result != kInProgress) return result;
        Sleep(kPollMs);
    }
}

void CNetGeneralPage::ShowAnswer(const _DispatchBlock& block) {
    const unsigned network = ReadU16(block, DB_NODE_NETWORK_OFFSET);
    const unsigned node = reinterpret_cast<const uint8_t*>(&block)[DB_NODE_NODE_OFFSET];
    char text[kTextSize];
    wsprintfA(text, "%u %u (%4.4X %2.2X)", network, node, network, node);
    m_networkAddress.SetWindowText(text);

    // The zone is cut to what the buffer holds, wherever the stack's terminator lies.
    const char* zone = reinterpret_cast<const char*>(&block) + DB_NODE_ZONE_OFFSET;
    char name[kTextSize];
    const std::size_t length = strnlen(zone, kTextSize - 1);
    std::memcpy(name, zone, length);
    name[length] = '\0';
    if (length > 0) {
        wsprintfA(text, "%s", name);
        m_localZone.SetWindowText(text);
    }

    wsprintfA(text, "%u-%u", static_cast<unsigned>(ReadU16(block, DB_NODE_RANGE_FIRST_OFFSET)),
              static_cast<unsigned>(ReadU16(block, DB_NODE_RANGE_LAST_OFFSET)));
    m_networkRange.SetWindowText(text);
}

void CNetGeneralPage::ReportFailure() {
    AfxMessageBox("Could not access Tarvek32.DLL", MB_OK | MB_ICONSTOP);
    SendMessage(WM_CLOSE);
}

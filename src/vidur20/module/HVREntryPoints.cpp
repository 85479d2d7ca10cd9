// SPDX-License-Identifier: MIT
#include "vidur20/module/HVREntryPoints.h"

#include <cstring>
#include <new>

#include "platform/ui/CPropertySheet.h"
#include "platform/ui/Win32Api.h"
#include "vidur20/chooser/ZChooserDialog.h"
#include "vidur20/module/HVREntryPointsC.h"
#include "vidur20/module/HVRWindowObserver.h"
#include "vidur20/netinfo/CNetGeneralPage.h"
#include "vidur20/netinfo/CNetStatisticsPage.h"
#include "vidur20/res/ResourceIds.h"
#include "vidur20/status/ZPrinterStatusDialog.h"

namespace {

// Tells the observer, if any, that a modal window is about to run and, on every way out,
// that it has ended.
class ModalWindowNotice {
public:
    ModalWindowNotice(CWnd& window, HVRWindowKind kind) : m_window(window), m_kind(kind) {
        if (HVRWindowObserver* observer = HVRWindowObserver::Current()) observer->WindowOpened(m_window, m_kind);
    }
    ~ModalWindowNotice() {
        if (HVRWindowObserver* observer = HVRWindowObserver::Current()) observer->WindowClosed(m_window, m_kind);
    }
    ModalWindowNotice(const ModalWindowNotice&) = delete;
    ModalWindowNotice& operator=(const ModalWindowNotice&) = delete;

private:
    CWnd& m_window;
    HVRWindowKind m_kind;
};

// What every entry point needs first: the library's resources and an application object.
bool ReadyForWindows() { return HVREnsureApplication() != 0; }

} // namespace

int HVRDeviceChooser(_NBPTuple* tupleOut, int flags, CWnd* parent) try {
    if (!ReadyForWindows()) return -1;
    ZChooserDialog chooser(flags, parent);
    int result;
    {
        ModalWindowNotice notice(chooser, HVRWindowKind::Chooser);
        result = chooser.DoModal();
    }
    // Only OK hands a device back; the host's record is otherwise left as it was.
    if (result == IDOK && tupleOut) std::memcpy(tupleOut, &chooser.GetChosenTuple(), sizeof(_NBPTuple));
    return result;
} catch (...) {
    // Nothing thrown may reach the host: it would end the host's process.
    return -1;
}

void HVRPrinterStatus(CWnd* parent) try {
    if (!ReadyForWindows()) return;
    auto* window = new (std::nothrow) ZPrinterStatusDialog(parent);
    if (!window) return;
    // Without a window nothing will ever delete it: that is ours to do.
    if (!window->GetSafeHwnd()) {
        delete window;
        return;
    }
    if (HVRWindowObserver* observer = HVRWindowObserver::Current())
        observer->WindowOpened(*window, HVRWindowKind::PrinterStatus);
} catch (...) {
    // Nothing thrown may reach the host: it would end the host's process.
}

int HVRNetworkInfo(int /*unused*/) try {
    if (!ReadyForWindows()) return 0;
    // Declared in this order so that they go in the reverse one: Statistics, General, sheet.
    CPropertySheet sheet(IDS_HOST_APP_TITLE, nullptr, 0);
    // The icon of the sheet's menu entry, a Macintosh, for the title bar and the task bar.
    sheet.m_psh.dwFlags |= PSH_USEHICON;
    sheet.m_psh.hIcon = AfxLoadIcon(IDI_MACINTOSH);
    CNetGeneralPage general;
    CNetStatisticsPage statistics;
    sheet.AddPage(&general);
    sheet.AddPage(&statistics);
    ModalWindowNotice notice(sheet, HVRWindowKind::NetworkInfo);
    sheet.DoModal(); // OK or Cancel, the answer is the same
    return 0;
} catch (...) {
    // Nothing thrown may reach the host: it would end the host's process.
    return 0;
}

// SPDX-License-Identifier: MIT
#include "vidur20/module/HVREntryPointsC.h"

#include <chrono>
#include <thread>

#include "platform/ui/UiApplication.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Win32Api.h"
#include "vidur20/module/HVREntryPoints.h"
#include "vidur20/module/Vidur20Module.h"
#include "vidur20/res/ResourceIds.h"

int HVRDeviceChooserC(_NBPTuple* tupleOut, int flags, void* parentOrNull) {
    return HVRDeviceChooser(tupleOut, flags, static_cast<CWnd*>(parentOrNull));
}

void HVRPrinterStatusC(void* parentOrNull) { HVRPrinterStatus(static_cast<CWnd*>(parentOrNull)); }

int HVRNetworkInfoC(int unused) { return HVRNetworkInfo(unused); }

int HVREnsureApplication(void) try {
    Vidur20ModuleInit();
    if (!EnsureUiApplication()) return 0;
    // A message box with no window to own it shows the library's icon too.
    SetDefaultWindowIcon(AfxLoadIcon(IDI_APPLETALK_ZONE));
    return 1;
} catch (...) {
    // Nothing thrown may reach the host: it would end the host's process.
    return 0;
}

void HVRRunMessageLoop(void) try {
    if (!HVREnsureApplication()) return;
    // Pending events are handled in passes; between passes the thread rests briefly instead
    // of spinning, which keeps the status window's 1.5 s polling and the user's clicks
    // prompt without burning a core.
    constexpr auto kRest = std::chrono::milliseconds(10);
    for (;;) {
        UiDriver::ProcessEvents(0);
        UiDriver::FlushDeletes();
        if (UiDriver::LiveWindowCount() == 0) return;
        std::this_thread::sleep_for(kRest);
    }
} catch (...) {
    // Nothing thrown may reach the host: it would end the host's process.
}

// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/NetInfoWindow.h"

#include "platform/ui/CPropertySheet.h"
#include "platform/ui/UiDriver.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/windows/WindowCatcher.h"
#include "tools/vidur/windows/WindowEnvironment.h"
#include "vidur20/module/HVREntryPoints.h"
#include "vidur20/res/ResourceIds.h"

namespace vidur::cli {

int NetInfoWindow::run(const ParsedArguments& arguments, CommandIo& io) {
    // The sheet takes the host's title: the command gives it the name of its menu entry.
    WindowEnvironment environment(
        arguments.has("offscreen"), io,
        {"vidur20-netinfo", "AppleTalk Network Information", "Informations réseau AppleTalk"});
    if (!environment.ready()) return kExitError;
    const auto screenshot = environment.screenshotPath(arguments, "vidur-netinfo.png");
    struct Texts {
        std::string address, zone, range;
    } texts;
    bool shown = false;
    WindowCatcher catcher;
    catcher.onModal = [&](CWnd& window) {
        auto& sheet = static_cast<CPropertySheet&>(window);
        // The General page asked the stack while the sheet opened, so its texts are final.
        CPropertyPage* general = sheet.GetPage(0);
        if (!general || !general->GetSafeHwnd()) return;
        shown = true;
        texts = {WindowEnvironment::TextOf(general->GetDlgItem(IDC_NET_ADDRESS)),
                 WindowEnvironment::TextOf(general->GetDlgItem(IDC_LOCAL_ZONE)),
                 WindowEnvironment::TextOf(general->GetDlgItem(IDC_NET_RANGE))};
        if (screenshot) environment.SaveScreenshot(sheet, *screenshot);
        if (environment.offscreen()) UiDriver::ClickButton(sheet, IDOK);
    };
    HVRNetworkInfo(0);
    if (!environment.offscreen()) return kExitSuccess;
    if (!shown) {
        io.err << "vidur netinfo: the network information sheet could not be shown\n";
        return kExitError;
    }
    io.out << "Network Address: " << texts.address << "\nLocal Zone:      " << texts.zone
           << "\nNetwork Range:   " << texts.range << "\n";
    // The page keeps its template's "Unknown" when the stack could not be asked.
    return texts.range.empty() || texts.range.find('-') == std::string::npos ? kExitError : kExitSuccess;
}

} // namespace vidur::cli

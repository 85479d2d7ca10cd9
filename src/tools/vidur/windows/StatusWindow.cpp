// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/StatusWindow.h"
#include "tools/vidur/output/TerminalText.h"

#include "platform/ui/CComboBox.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Win32Api.h"
#include "tarvlib/TarvlibApi.h"
#include "text/MacRoman.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/windows/WindowCatcher.h"
#include "tools/vidur/windows/WindowEnvironment.h"
#include "vidur20/module/HVREntryPoints.h"
#include "vidur20/module/HVREntryPointsC.h"
#include "vidur20/res/ResourceIds.h"

namespace vidur::cli {

using vidur::text::macRomanToUtf8;

namespace {

std::string LoadedText(UINT id) { return macRomanToUtf8(AfxLoadStringOrEmpty(id).View()); }

void PrintPrinters(std::ostream& out, CWnd& window) {
    auto* box = static_cast<CComboBox*>(window.GetDlgItem(IDC_PRINTER_BOX));
    CString text;
    out << "printers (" << box->GetCount() << "):\n";
    for (int i = 0; i < box->GetCount(); ++i) {
        box->GetLBText(i, text);
        out << (i == box->GetCurSel() ? "* " : "  ") << terminalText(text.View()) << "\n";
    }
    _NBPTuple printer{};
    if (PAPGetDefaultPrinter(&printer) == 0)
        out << "default printer: " << terminalText(printer.entity.object) << ":" << terminalText(printer.entity.type)
            << "@" << terminalText(printer.entity.zone) << "\n";
    else
        out << "default printer: (none)\n";
}

} // namespace

int StatusWindow::run(const ParsedArguments& arguments, CommandIo& io) {
    WindowEnvironment environment(arguments.has("offscreen"), io, {"vidur20-status", "vidur", "vidur"});
    if (!environment.ready()) return kExitError;
    environment.SayIfRecentListUnreadable("vidur status: ");
    const auto screenshot = environment.screenshotPath(arguments, "vidur-status.png");
    WindowCatcher catcher;
    HVRPrinterStatus(nullptr);
    if (!catcher.statusWindow) {
        io.err << "vidur status: the printer status window could not be opened\n";
        return kExitError;
    }
    CWnd& window = *catcher.statusWindow;
    const HWND handle = window.GetSafeHwnd();
    CWnd* status = window.GetDlgItem(IDC_STATUS_TEXT);
    const std::string looking = LoadedText(IDS_STATUS_LOOKING);
    const bool hasPrinters = static_cast<CComboBox*>(window.GetDlgItem(IDC_PRINTER_BOX))->GetCount() > 0;
    auto answered = [&] { return !IsWindow(handle) || WindowEnvironment::TextOf(status) != looking; };

    if (!environment.offscreen()) {
        if (screenshot && hasPrinters && WindowEnvironment::WaitUntil(answered, 24 * 3600 * 1000) && IsWindow(handle))
            environment.SaveScreenshot(window, *screenshot);
        HVRRunMessageLoop(); // until the user closes it
        return kExitSuccess;
    }
    const bool done = hasPrinters && WindowEnvironment::WaitUntil(answered, WindowEnvironment::timeoutMs(arguments));
    if (!IsWindow(handle)) return kExitError;
    const std::string text = WindowEnvironment::TextOf(status);
    PrintPrinters(io.out, window);
    io.out << "status text: " << escapeControls(text) << "\n";
    if (screenshot) environment.SaveScreenshot(window, *screenshot);
    UiDriver::ClickButton(window, IDCANCEL);
    UiDriver::FlushDeletes();
    if (!hasPrinters) return kExitNothingFound;
    if (!done) {
        io.err << "vidur status: the printer did not answer in time\n";
        return kExitError;
    }
    return text == LoadedText(IDS_STATUS_NOT_FOUND) ? kExitNothingFound : kExitSuccess;
}

} // namespace vidur::cli

// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/ChooserDriver.h"

#include "platform/ui/CComboBox.h"
#include "platform/ui/CListBox.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Win32Api.h"
#include "text/MacRoman.h"
#include "tools/vidur/output/TerminalText.h"
#include "tools/vidur/windows/WindowEnvironment.h"
#include "vidur20/chooser/ZChooserDialog.h"
#include "vidur20/chooser/ZIconComboBox.h"
#include "vidur20/res/ResourceIds.h"

namespace vidur::cli {

using vidur::text::macRomanToUtf8;

void ChooserDriver::WindowOpened(CWnd& window, HVRWindowKind kind) {
    if (kind != HVRWindowKind::Chooser) return;
    // With a display and no screenshot wanted the user does everything.
    if (!environment_.offscreen() && !screenshot_) return;
    // The window exists only once the modal loop runs: act from inside it.
    CWnd* chooser = &window;
    UiDriver::Post([this, chooser] { Drive(*chooser); });
}

void ChooserDriver::WindowClosed(CWnd& window, HVRWindowKind kind) {
    if (kind != HVRWindowKind::Chooser) return;
    if (const auto* chooser = dynamic_cast<ZChooserDialog*>(&window)) seen_.recorded = chooser->ChoiceRecorded();
}

// Idle: the zone list and the look-up are over, so Stop Lookup is off and the list is on.
bool ChooserDriver::LookupDone(CWnd& chooser) {
    CWnd* stop = chooser.GetDlgItem(IDC_STOP_LOOKUP);
    CWnd* list = chooser.GetDlgItem(IDC_DEVICE_LIST);
    return stop && list && !stop->IsWindowEnabled() && list->IsWindowEnabled();
}

void ChooserDriver::Drive(CWnd& chooser) {
    const HWND handle = chooser.GetSafeHwnd();
    const bool offscreen = environment_.offscreen();
    // With a display the user may end the dialog while this waits: its loop can only finish
    // once this returns, so an ended (hidden) dialog stops the wait too.
    auto ended = [&] { return !IsWindow(handle) || !chooser.IsWindowVisible(); };
    seen_.lookupDone = WindowEnvironment::WaitUntil([&] { return ended() || LookupDone(chooser); },
                                                    offscreen ? timeoutMs_ : 24 * 3600 * 1000);
    if (ended()) return;
    seen_.lookupDone = LookupDone(chooser);
    auto* list = static_cast<CListBox*>(chooser.GetDlgItem(IDC_DEVICE_LIST));
    if (offscreen && seen_.lookupDone && list->GetCount() > 0) UiDriver::ClickListItem(*list, 0);
    Note(chooser);
    if (screenshot_) environment_.SaveScreenshot(chooser, *screenshot_);
    if (!offscreen) {
        // The user goes on: the picture follows the window, taken again whenever a look-up
        // the user started (by closing a drop-down list) has ended, after a line that says
        // what the look-up found, so whoever drives the window can wait for that.
        while (screenshot_) {
            WindowEnvironment::WaitUntil([&] { return ended() || !LookupDone(chooser); }, 24 * 3600 * 1000);
            WindowEnvironment::WaitUntil([&] { return ended() || LookupDone(chooser); }, 24 * 3600 * 1000);
            if (ended()) return;
            Note(chooser);
            std::string found;
            for (const std::string& device : seen_.devices) found += (found.empty() ? "" : ", ") + device;
            environment_.Say(escapeControls("looked up " + seen_.type + " in " + seen_.zone + ": " + found));
            environment_.SaveScreenshot(chooser, *screenshot_);
        }
        return;
    }
    if (list->GetCurSel() >= 0)
        UiDriver::ClickButton(chooser, IDOK);
    else
        UiDriver::ClickButton(chooser, IDCANCEL);
}

void ChooserDriver::Note(CWnd& chooser) {
    seen_.zones.clear();
    seen_.devices.clear();
    CString text;
    // The type box is the Chooser's own owner-drawn box, which keeps its entries' texts.
    if (auto* types = dynamic_cast<ZIconComboBox*>(chooser.GetDlgItem(IDC_TYPE_BOX));
        types && types->GetCurSel() >= 0) {
        char name[80] = {};
        types->GetCurSelText(name);
        seen_.type = macRomanToUtf8(name);
    }
    auto* zones = static_cast<CComboBox*>(chooser.GetDlgItem(IDC_ZONE_BOX));
    for (int i = 0; i < zones->GetCount(); ++i) {
        zones->GetLBText(i, text);
        seen_.zones.push_back(macRomanToUtf8(text.View()));
    }
    if (const int index = zones->GetCurSel(); index >= 0) {
        zones->GetLBText(index, text);
        seen_.zone = macRomanToUtf8(text.View());
    }
    auto* list = static_cast<CListBox*>(chooser.GetDlgItem(IDC_DEVICE_LIST));
    for (int i = 0; i < list->GetCount(); ++i) {
        list->GetText(i, text);
        // An item is "name\ttype\tnet node socket"; the list shows the name.
        const std::string item(text.View());
        seen_.devices.push_back(macRomanToUtf8(item.substr(0, item.find('\t'))));
    }
}

} // namespace vidur::cli

// SPDX-License-Identifier: MIT
// Renders the printer status window (with a printer's answer on screen) and the network
// information sheet on its General page offscreen, in English and French, for the docs:
//   vidur20_window_screenshots OUTPUT_DIR
// writes status-en.png, status-fr.png, netinfo-en.png and netinfo-fr.png there. The stack is
// the scripted stand-in, so the pictures are the same on every machine.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "FakeAppleTalk.h"
#include "RecentPrinterFixtures.h"
#include "platform/resources/ResourceChain.h"
#include "platform/ui/CPropertySheet.h"
#include "platform/ui/UiApplication.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/WindowRender.h"
#include "support/TempProfileDir.h"
#include "vidur20/netinfo/CNetGeneralPage.h"
#include "vidur20/netinfo/CNetStatisticsPage.h"
#include "vidur20/res/ResourceIds.h"
#include "vidur20/res/Vidur20Resources.h"
#include "vidur20/status/ZPrinterStatusDialog.h"

namespace {

// The stack answers every request at once: a node on network 1000 in zone "Engineering",
// and the printer idle.
void ScriptStack() {
    FakeAppleTalk::instance().setDispatchHandler([](_DispatchBlock& block) {
        auto* bytes = reinterpret_cast<uint8_t*>(&block);
        if (block.command == ATALK_CMD_NODE_INFO) {
            const uint16_t network = 1000, first = 1000, last = 1009;
            std::memcpy(bytes + DB_NODE_NETWORK_OFFSET, &network, 2);
            bytes[DB_NODE_NODE_OFFSET] = 129;
            std::memcpy(bytes + DB_NODE_RANGE_FIRST_OFFSET, &first, 2);
            std::memcpy(bytes + DB_NODE_RANGE_LAST_OFFSET, &last, 2);
            std::strcpy(reinterpret_cast<char*>(bytes + DB_NODE_ZONE_OFFSET), "Engineering");
        } else if (block.command == ATALK_CMD_PRINTER_STATUS) {
            std::strcpy(reinterpret_cast<char*>(bytes + DB_STATUS_TEXT_OFFSET), "status: idle");
        }
        FakeAppleTalk::completeBlock(block, 0);
    });
}

bool RenderStatus(const std::string& path) {
    auto* window = new ZPrinterStatusDialog(nullptr);
    if (!window->GetSafeHwnd()) {
        delete window;
        return false;
    }
    UiDriver::FireTimer(*window, ZPrinterStatusDialog::kTimerId); // shows the answer
    UiDriver::ProcessEvents(50);
    const bool ok = RenderWindowToPng(*window, path.c_str());
    UiDriver::ClickButton(*window, IDCANCEL);
    UiDriver::FlushDeletes();
    return ok;
}

bool RenderNetInfo(const std::string& path) {
    CPropertySheet sheet("Network Information");
    CNetGeneralPage general;
    CNetStatisticsPage statistics;
    sheet.AddPage(&general);
    sheet.AddPage(&statistics);
    bool ok = false;
    UiDriver::Post([&] {
        UiDriver::ProcessEvents(50);
        ok = RenderWindowToPng(sheet, path.c_str());
        UiDriver::ClickButton(sheet, IDOK);
    });
    sheet.DoModal();
    UiDriver::FlushDeletes();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!EnsureUiApplication()) return 1;
    const std::filesystem::path out = argv[1];
    TempProfileDir profile;
    printers::WriteRecent({"Studio LaserWriter", "Front Desk"});
    const _NBPTuple printer = printers::Printer("Studio LaserWriter");
    FakeAppleTalk::instance().setDefaultPrinter(&printer);
    ScriptStack();
    ResourceChain::instance().addModule(Vidur20ResourceModule());
    bool ok = true;
    for (const auto& [suffix, language] : {std::pair{"en", kLangEnglishUS}, std::pair{"fr", kLangFrench}}) {
        ResourceChain::instance().setLanguageOverride(language);
        ok = RenderStatus((out / (std::string("status-") + suffix + ".png")).string()) && ok;
        ok = RenderNetInfo((out / (std::string("netinfo-") + suffix + ".png")).string()) && ok;
    }
    FakeAppleTalk::instance().reset();
    return ok ? 0 : 1;
}

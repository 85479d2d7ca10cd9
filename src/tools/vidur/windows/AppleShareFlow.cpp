// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/AppleShareFlow.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "appletalk/afp/client/AfpClientSession.h"
#include "appletalk/afp/client/AppleTalkClientStack.h"
#include "appletalk/afp/server/auth/Secret.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Win32Api.h"
#include "text/MacRoman.h"
#include "tools/vidur/output/TerminalText.h"
#include "tools/vidur/windows/AppleShareResources.h"
#include "tools/vidur/windows/ConnectDialog.h"
#include "tools/vidur/windows/VolumeListDialog.h"
#include "tools/vidur/windows/VolumeMounter.h"
#include "tools/vidur/windows/WindowEnvironment.h"

namespace vidur::cli {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using appletalk::afp::AfpClientSession;

constexpr std::string_view kGuestUam = "No User Authent";

} // namespace

int AppleShareFlow::fail(const std::string& reason) {
    io_.err << "vidur chooser: " << escapeControls(reason) << std::endl;
    return kCancelled;
}

std::optional<std::string> AppleShareFlow::screenshotFor(const char* suffix) const {
    if (!screenshot_) return std::nullopt;
    fs::path path = *screenshot_;
    const std::string extension = path.extension().string();
    path.replace_filename(path.stem().string() + suffix + (extension.empty() ? ".png" : extension));
    return path.string();
}

void AppleShareFlow::Watch(CWnd& window, const char* suffix, bool offscreenOk) {
    CWnd* target = &window;
    const auto picture = screenshotFor(suffix);
    const bool offscreen = environment_.offscreen();
    if (!offscreen && !picture) return;
    UiDriver::Post([this, target, picture, offscreen, offscreenOk] {
        if (picture) environment_.SaveScreenshot(*target, *picture);
        if (offscreen) UiDriver::ClickButton(*target, offscreenOk ? IDOK : IDCANCEL);
    });
}

int AppleShareFlow::run(const std::string& name, const std::string& zone) {
    const std::string server = name + "@" + zone;
    std::optional<fs::path> base = VolumeMounter::defaultBase();
    if (const auto chosen = arguments_.value("mount-dir")) base = fs::path(*chosen);
    if (!base) return fail("no folder for the volumes: HOME is not set; give --mount-dir DIR");

    appletalk::afp::AppleTalkClientStack appleTalk; // outlives the transport on it
    std::string problem;
    if (!appleTalk.start(10s, problem)) return fail(problem);
    const auto transport = appleTalk.connect(name, zone, problem);
    if (!transport) return fail(problem);
    AfpClientSession session(*transport);
    const auto info = session.serverInfo(problem);
    if (!info) return fail(problem);
    const bool guestOffered = std::find(info->uams.begin(), info->uams.end(), kGuestUam) != info->uams.end();

    AppleShareResources resources;
    ConnectDialog connect(name, guestOffered, [&](const appletalk::afp::AfpLoginRequest& request, std::string& why) {
        return session.login(*info, request, why);
    });
    // Offscreen nobody can type a name: without guests the run ends there.
    if (environment_.offscreen() && !guestOffered) io_.err << "vidur chooser: the server takes no guests\n";
    Watch(connect, "-connect", guestOffered);
    if (connect.DoModal() != IDOK) {
        io_.out << "cancelled\n";
        return kCancelled;
    }
    const auto volumes = session.volumes(problem);
    session.logout();
    if (!volumes) return fail(problem);
    if (volumes->empty()) return fail(AppleShareResources::text(IDS_AFP_NO_VOLUMES));

    std::vector<std::string> names;
    for (const auto& volume : *volumes) names.push_back(volume.name);
    resources.makeVolumeList(names);
    VolumeListDialog list(names.size());
    if (environment_.offscreen())
        UiDriver::Post([&] {
            for (std::size_t i = 0; i < names.size(); ++i)
                list.GetDlgItem(static_cast<int>(IDC_AFP_FIRST_VOLUME + i))->SendMessage(BM_SETCHECK, BST_CHECKED);
        });
    Watch(list, "-volumes", true);
    if (list.DoModal() != IDOK) {
        io_.out << "cancelled\n";
        return kCancelled;
    }

    const VolumeMounter mounter(server, *base, connect.login());
    int status = kMounted;
    for (const std::size_t index : list.checked()) {
        const std::string& volume = names[index];
        const auto folder = mounter.folderFor(volume);
        if (!folder) problem = "its name cannot be a folder's";
        if (folder && mounter.mount(volume, *folder, problem)) {
            io_.out << "mounted " << escapeControls(volume) << " on " << escapeControls(folder->string()) << std::endl;
            continue;
        }
        io_.err << "vidur chooser: " << escapeControls(volume) << " not mounted: " << escapeControls(problem)
                << std::endl;
        status = kSomeNotMounted;
    }
    return status;
}

} // namespace vidur::cli

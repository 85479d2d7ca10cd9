// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/WindowEnvironment.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/resources/ResourceChain.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/UiApplication.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/WindowRender.h"
#include "text/MacRoman.h"
#include "text/ProfileStorage.h"
#include "tools/vidur/windows/TerminalMessageBoxes.h"
#include "vidur20/module/HVREntryPointsC.h"
#include "vidur20/res/ResourceIds.h"

namespace vidur::cli {

namespace {

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

} // namespace

// The command is the host: its title is the network sheet's caption.
WindowEnvironment::WindowEnvironment(bool offscreenAsked, CommandIo& io, const WindowHost& host)
    : io_(io),
      hostStrings_{
          {{IDS_HOST_APP_TITLE, kLangEnglishUS, host.title}, {IDS_HOST_APP_TITLE, kLangFrench, host.frenchTitle}}},
      hostModule_{"vidur", {}, hostStrings_, {}} {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    offscreen_ = offscreenAsked || !HasDisplay() || (platform && std::string(platform) == "offscreen");
    // Qt picks its platform when the application object is made, so this comes first.
    if (offscreen_) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    SetUiApplicationName(host.desktopName);
    ResourceChain::instance().addModule(hostModule_);
    if (offscreen_) {
        boxes_ = std::make_unique<TerminalMessageBoxes>(io.err);
        MessageBoxService::Install(boxes_.get());
    }
    ready_ = HVREnsureApplication() != 0;
    if (!ready_) {
        const std::string why = UiApplicationFailure();
        io.err << "vidur: cannot open windows here (" << (why.empty() ? "no display" : why) << "); try --offscreen\n";
    }
}

WindowEnvironment::~WindowEnvironment() {
    UiDriver::FlushDeletes();
    if (boxes_) MessageBoxService::Install(nullptr);
    ResourceChain::instance().removeModule(hostModule_);
}

std::optional<std::string> WindowEnvironment::screenshotPath(const ParsedArguments& arguments,
                                                             const char* defaultName) const {
    if (auto path = arguments.value("screenshot")) return *path;
    if (offscreen_) return (std::filesystem::current_path() / defaultName).string();
    return std::nullopt;
}

int WindowEnvironment::timeoutMs(const ParsedArguments& arguments) {
    return static_cast<int>(arguments.seconds("timeout", 30, 600) * 1000);
}

bool WindowEnvironment::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    // Passes over the pending events with a short rest between them, so waiting for the
    // network does not keep a core busy.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return done();
        UiDriver::ProcessEvents(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string WindowEnvironment::TextOf(const CWnd* window) {
    if (!window) return {};
    CString text;
    window->GetWindowText(text);
    return vidur::text::macRomanToUtf8(text.View());
}

void WindowEnvironment::Say(const std::string& line) { io_.out << line << std::endl; }

void WindowEnvironment::SayIfRecentListUnreadable(const std::string& prefix) {
    using vidur::text::ProfileStorage;
    const auto path = ProfileStorage::resolvePath("Halvora.INI");
    if (!path) return;
    const ProfileStorage::Reading reading = ProfileStorage::readFile(*path);
    if (reading.state != ProfileStorage::Reading::State::Unreadable) return;
    io_.err << prefix << path->string() << ": cannot be read (" << reading.problem
            << "); the recent devices are neither shown nor kept\n";
}

bool WindowEnvironment::SaveScreenshot(CWnd& window, const std::string& path) {
    if (!RenderWindowToPng(window, path.c_str())) {
        io_.err << "vidur: could not write the screenshot " << path << "\n";
        return false;
    }
    // At once, also into a pipe: whoever watches the window learns the picture is ready.
    io_.out << "screenshot: " << path << std::endl;
    return true;
}

} // namespace vidur::cli

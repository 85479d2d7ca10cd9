// SPDX-License-Identifier: MIT
// What the tests of the window commands on a real X server share: the display, a folder of
// their own, the command's environment, and waiting for what the screen shows.
#pragma once

#include "RealDisplay.h"
#include "VidurProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>

namespace vidur::cli::testing {

// Template positions in pixels: the classic look's dialog base units are 6 x 13.
inline int Px(int units) { return (units * 6 + 2) / 4; }
inline int Py(int units) { return (units * 13 + 4) / 8; }

class RealDisplayFixture : public ::testing::Test {
protected:
    explicit RealDisplayFixture(RealDisplay::LastClient lastClient = RealDisplay::LastClient::KeepsServer)
        : display(lastClient) {}

    void SetUp() override {
        if (!display.running()) GTEST_SKIP() << display.failure();
        folder =
            std::filesystem::temp_directory_path() / ("vidur-display-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override {
        if (!folder.empty()) std::filesystem::remove_all(folder);
    }

    // The command under the sanitizers as the suite runs it, but for strict string checks:
    // Qt's X connection (libxkbcommon-x11) reads the keyboard's names with strndup within
    // their buffers, without a terminator, which those checks report.
    static std::optional<std::string> sanitizerOptions() {
        const char* options = std::getenv("ASAN_OPTIONS");
        if (!options) return std::nullopt;
        std::string text = options;
        for (auto at = text.find("strict_string_checks=1"); at != std::string::npos;
             at = text.find("strict_string_checks=1"))
            text.replace(at, 22, "strict_string_checks=0");
        return text;
    }

    // The display's, with nothing of the caller's look, scale or network; `more` on top.
    VidurProcess::Environment environment(VidurProcess::Environment more = {}) const {
        VidurProcess::Environment all{{"ASAN_OPTIONS", sanitizerOptions()},
                                      {"VIDUR_PROFILE_DIR", folder.string()},
                                      {"VIDUR_NETWORK", std::nullopt},
                                      {"DISPLAY", display.name()},
                                      {"WAYLAND_DISPLAY", std::nullopt},
                                      {"QT_QPA_PLATFORM", std::nullopt},
                                      {"QT_SCALE_FACTOR", std::nullopt},
                                      {"VIDUR_LOOK", std::nullopt},
                                      {"LC_ALL", "C"},
                                      {"LANG", "C"}};
        for (auto& [name, value] : more) all[name] = value;
        return all;
    }

    // Takes screenshots until `ready` holds for one (bounded); the last one.
    Screenshot screenWhen(const std::function<bool(const Screenshot&)>& ready) const {
        using namespace std::chrono_literals;
        Screenshot shot;
        for (auto end = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < end;) {
            shot = display.screenshot();
            if (shot.valid() && ready(shot)) break;
            std::this_thread::sleep_for(100ms);
        }
        return shot;
    }

    RealDisplay display;
    std::filesystem::path folder;
};

} // namespace vidur::cli::testing

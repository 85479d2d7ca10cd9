// SPDX-License-Identifier: MIT
// Window properties read and written through the X server, as a window manager or a dock
// reads them: the window's class, its icons, and the root window's resources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vidur::cli::testing {

struct WindowIcon {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb; // row by row
};

// WM_CLASS: the instance and the class.
std::vector<std::string> windowClass(const std::string& display, unsigned long window);
// _NET_WM_ICON: every size the window offers.
std::vector<WindowIcon> windowIcons(const std::string& display, unsigned long window);
// Sets RESOURCE_MANAGER on the root window (what xrdb does), e.g. "Xft.dpi:\t192\n".
bool setResources(const std::string& display, const std::string& resources);

} // namespace vidur::cli::testing

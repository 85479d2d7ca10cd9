// SPDX-License-Identifier: MIT
// Names both ways: any Linux name shows as a Mac name a client may send back, and any Mac name
// a client may use comes back from Linux as itself.
#include "appletalk/afp/volume/MacName.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "mac_name: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace appletalk::afp;
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const bool linuxName = !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
                           name.find('\0') == std::string_view::npos;
    if (linuxName && !name.starts_with(kSidecarPrefix)) {
        const auto mac = macNameFor(name);
        require(!mac.empty() && mac.size() <= kMaxMacNameBytes, "a Mac name of the wrong size");
        require(mac.find(':') == std::string::npos, "a colon in a Mac name");
    }
    if (const auto onLinux = linuxNameFor(name)) {
        require(onLinux->find('/') == std::string::npos, "a slash in a Linux name");
        require(macNameFor(*onLinux) == name, "a Mac name that does not come back as itself");
    }
    return 0;
}

// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpVersions.h"

namespace appletalk::afp {

namespace {

// AFP 2.2 is announced as "AFP2.2", not in the older calls' "AFPVersion" form; clients that
// log in with the longer form are taken at their word too.
constexpr std::string_view kVersions[] = {"AFPVersion 2.0", "AFPVersion 2.1", "AFP2.2"};
constexpr std::string_view kLongFormOf22 = "AFPVersion 2.2";

} // namespace

std::vector<std::string> supportedAfpVersions() { return {std::begin(kVersions), std::end(kVersions)}; }

bool isSupportedAfpVersion(std::string_view version) {
    for (const auto known : kVersions)
        if (version == known) return true;
    return version == kLongFormOf22;
}

} // namespace appletalk::afp

// SPDX-License-Identifier: MIT
// A private profile folder for one test with the stack's own variables cleared, all restored
// afterwards, so no test reads or writes the user's own "AppleTalk.INI".
#pragma once

#include "support/TempProfileDir.h"

#include <filesystem>

namespace appletalk::testing {

class ScopedEnvironment : public TempProfileDir {
public:
    ScopedEnvironment() {
        unset("VIDUR_NETWORK");
        unset("VIDUR_LTOUDP_TTL");
        unset("VIDUR_LTOUDP_PORT");
        unset("VIDUR_DEBUG");
        for (const char* service : {"CUPS_SERVERROOT", "CUPS_SERVERBIN", "INVOCATION_ID"}) unset(service);
    }

    const std::filesystem::path& profileDir() const { return path(); }
    std::filesystem::path profileFile() const { return path() / "AppleTalk.INI"; }
    // The system's AppleTalk.INI; its folder is made by the first call.
    std::filesystem::path systemFile() const {
        std::filesystem::create_directories(path() / "system");
        return path() / "system" / "AppleTalk.INI";
    }
};

} // namespace appletalk::testing

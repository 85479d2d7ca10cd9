// SPDX-License-Identifier: MIT
// The settings the AppleTalk library will start from, checked before a command uses the
// network. The library runs on no network when they name none it can use; the command says
// why, with the file, the key and the value, rather than "the network could not be started".
#pragma once

#include <optional>
#include <string>

namespace vidur::cli {

class LibrarySettingsCheck {
public:
    // What is wrong with the settings as they stand (the files and the environment, --network
    // applied); nothing when the library can start from them.
    static std::optional<std::string> problem();
};

} // namespace vidur::cli

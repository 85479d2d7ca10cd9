// SPDX-License-Identifier: MIT
#include "appletalk/runtime/NodeServicePaths.h"

#include <cstdlib>

namespace appletalk::runtime {

std::string NodeServicePaths::userSocket() {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir == nullptr || *runtimeDir == '\0') return {};
    return std::string(runtimeDir) + "/vidur20/node";
}

std::vector<std::string> NodeServicePaths::candidates() {
    if (const char* chosen = std::getenv(kEnvironment); chosen != nullptr && *chosen != '\0') {
        if (std::string(chosen) == "none") return {};
        return {chosen};
    }
    std::vector<std::string> paths;
    if (std::string user = userSocket(); !user.empty()) paths.push_back(std::move(user));
    paths.emplace_back(kSystemSocket);
    return paths;
}

std::string NodeServicePaths::serviceDefault(bool systemService, std::string& problem) {
    if (const char* chosen = std::getenv(kEnvironment);
        chosen != nullptr && *chosen != '\0' && std::string(chosen) != "none")
        return chosen;
    if (systemService) return kSystemSocket;
    std::string user = userSocket();
    if (user.empty()) problem = "XDG_RUNTIME_DIR is not set: name the socket with --socket PATH";
    return user;
}

} // namespace appletalk::runtime

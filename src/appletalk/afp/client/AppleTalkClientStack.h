// SPDX-License-Identifier: MIT
// A client's way onto AppleTalk for AFP: a stack of its own on the network the settings (or
// --network) choose, an AppleShare server found there by NBP as NAME:AFPServer@ZONE, and an
// ASP transport to it. Keeps the stack out of the command's layer.
#pragma once

#include "appletalk/afp/client/AfpTransport.h"

#include <chrono>
#include <memory>
#include <string>

namespace appletalk::runtime {
class Stack;
}

namespace appletalk::afp {

class AppleTalkClientStack {
public:
    AppleTalkClientStack();
    ~AppleTalkClientStack();
    AppleTalkClientStack(const AppleTalkClientStack&) = delete;
    AppleTalkClientStack& operator=(const AppleTalkClientStack&) = delete;

    // Waits, at most `limit`, until the node has started; false with the reason.
    bool start(std::chrono::milliseconds limit, std::string& problem);
    // The transport to the server named `name` in `zone` (UTF-8; "*" is this node's zone);
    // nothing, with the reason, when no such server answered. `replyLimit` bounds each call's wait.
    std::unique_ptr<AfpTransport> connect(const std::string& name, const std::string& zone, std::string& problem,
                                          std::chrono::milliseconds replyLimit = std::chrono::minutes(2));

private:
    std::shared_ptr<runtime::Stack> stack_;
};

} // namespace appletalk::afp

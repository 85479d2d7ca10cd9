// SPDX-License-Identifier: MIT
#include "appletalk/afp/client/AppleTalkClientStack.h"

#include "appletalk/afp/client/AspClientTransport.h"
#include "appletalk/runtime/Stack.h"
#include "text/MacRoman.h"

#include <future>

namespace appletalk::afp {

using namespace std::chrono_literals;

AppleTalkClientStack::AppleTalkClientStack() = default;
AppleTalkClientStack::~AppleTalkClientStack() = default;

bool AppleTalkClientStack::start(std::chrono::milliseconds limit, std::string& problem) {
    runtime::StackOptions options;
    options.firstStartWait = limit;
    stack_ = std::make_shared<runtime::Stack>(runtime::StackSettings::load(), options);
    if (!stack_->isOnline()) {
        problem = "no AppleTalk network: " + stack_->problem();
        return false;
    }
    if (stack_->awaitFirstStart()) return true;
    problem = "the AppleTalk node did not start";
    return false;
}

std::unique_ptr<AfpTransport> AppleTalkClientStack::connect(const std::string& name, const std::string& zone,
                                                            std::string& problem,
                                                            std::chrono::milliseconds replyLimit) {
    const auto object = vidur::text::utf8ToMacRoman(name);
    const auto inZone = vidur::text::utf8ToMacRoman(zone);
    if (!object.lossless || !inZone.lossless) {
        problem = "the server's name or zone has characters outside Mac OS Roman";
        return nullptr;
    }
    auto found = std::make_shared<std::promise<std::optional<DdpAddress>>>();
    auto future = found->get_future();
    stack_->run([&] {
        auto address = std::make_shared<std::optional<DdpAddress>>();
        // Three sends a second apart, as a Chooser asks.
        stack_->network().lookup(
            {object.macRoman, "AFPServer", inZone.macRoman}, {1s, 2, 1},
            [address](const nbp::NbpTuple& tuple) {
                *address = DdpAddress{tuple.network, tuple.node, tuple.socket};
            },
            [found, address](int) { found->set_value(*address); });
    });
    // The look-up's own retries end it; this bound is for a stack that stopped.
    const auto address = future.wait_for(30s) == std::future_status::ready ? future.get() : std::nullopt;
    if (!address) {
        problem = "no AppleShare server " + name + "@" + zone + " answered";
        return nullptr;
    }
    return std::make_unique<AspClientTransport>(stack_, *address, replyLimit);
}

} // namespace appletalk::afp

// SPDX-License-Identifier: MIT
// vidur-test-bridge: joins an LToUDP segment and an EtherTalk interface as a LocalTalk-to-
// Ethernet bridge without a router does (StartupRangeBridge), for the tests that run clients
// and devices on both sides. Test equipment only: it is built with the tests and never
// installed. Prints one line once both sides are open; SIGINT or SIGTERM ends it.
//
//   vidur-test-bridge --ethertalk IFACE [--ltoudp ADDRESS] [--port N] [--ttl N] [--network-zero keep]
//
// --network-zero keep passes LocalTalk's network 0 on unchanged instead of 65280.
#include "support/bridge/StartupRangeBridge.h"

#include "appletalk/node/ethertalk/EtherTalkLink.h"
#include "appletalk/node/ltoudp/LToUdpLink.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <poll.h>
#include <string>

namespace {

using namespace appletalk;

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) { stopRequested = 1; }

struct Options {
    std::string etherTalk;
    LToUdpConfig ltoudp;
    bool rewritesNetworkZero = true;
};

bool parse(int argc, char** argv, Options& options) {
    options.ltoudp.ttl = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--ethertalk")
            options.etherTalk = value;
        else if (name == "--ltoudp")
            options.ltoudp.interfaceAddress = value;
        else if (name == "--port")
            options.ltoudp.port = static_cast<std::uint16_t>(std::strtoul(value.c_str(), nullptr, 10));
        else if (name == "--ttl")
            options.ltoudp.ttl = std::atoi(value.c_str());
        else if (name == "--network-zero" && value == "keep")
            options.rewritesNetworkZero = false;
        else
            return false;
    }
    return argc % 2 == 1 && !options.etherTalk.empty();
}

// Until a signal: both sockets watched, with the signals held back outside ppoll so that
// one arriving between the check and the wait still ends it.
void run(LToUdpLink& localTalk, EtherTalkLink& etherTalk) {
    sigset_t blocked;
    sigset_t waiting;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigprocmask(SIG_BLOCK, &blocked, &waiting);
    sigdelset(&waiting, SIGINT);
    sigdelset(&waiting, SIGTERM);
    pollfd sockets[2] = {{localTalk.waitHandle(), POLLIN, 0}, {etherTalk.waitHandle(), POLLIN, 0}};
    while (stopRequested == 0) {
        if (ppoll(sockets, 2, nullptr, &waiting) < 0 && errno != EINTR) break;
        localTalk.poll();
        etherTalk.poll();
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::cerr << "usage: vidur-test-bridge --ethertalk IFACE [--ltoudp ADDRESS] [--port N] [--ttl N]"
                     " [--network-zero keep]\n";
        return 2;
    }
    std::string error;
    auto localTalk = LToUdpLink::open(options.ltoudp, error);
    if (!localTalk) {
        std::cerr << "vidur-test-bridge: LToUDP: " << error << "\n";
        return 1;
    }
    auto etherTalk = EtherTalkLink::open(options.etherTalk, error);
    if (!etherTalk) {
        std::cerr << "vidur-test-bridge: " << error << "\n";
        return 1;
    }
    testing::StartupRangeBridge bridge(
        *etherTalk->hardwareAddress(), [&](std::span<const std::uint8_t> frame) { localTalk->send(frame); },
        [&](std::span<const std::uint8_t> frame) { etherTalk->send(frame); }, options.rewritesNetworkZero);
    localTalk->attach([&](std::span<const std::uint8_t> frame) { bridge.fromLocalTalk(frame); }, [] {});
    etherTalk->attach([&](std::span<const std::uint8_t> frame) { bridge.fromEtherTalk(frame); }, [] {});
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::cout << "bridging LToUDP " << options.ltoudp.interfaceAddress << " port " << options.ltoudp.port
              << " and EtherTalk " << options.etherTalk << std::endl;
    run(*localTalk, *etherTalk);
    const auto& counters = bridge.counters();
    std::cerr << "vidur-test-bridge: " << counters.toEtherTalk << " frames to EtherTalk, " << counters.toLocalTalk
              << " to LocalTalk, " << counters.aarpAnswered << " AARP answers, " << counters.dropped << " dropped\n";
    localTalk->detach();
    etherTalk->detach();
    return 0;
}

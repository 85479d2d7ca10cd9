// SPDX-License-Identifier: MIT
// The print server's connection to CUPS, where nothing answers: the reason given is the
// connect's own.
#include "tools/serve/CupsConnection.h"

#include <gtest/gtest.h>

#include <cups/cups.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace vidur::serve {
namespace {

TEST(CupsConnection, APortNobodyListensOnIsRefusedAndSaysSo) {
    // Bound and never listening: the port stays ours, and every connect to it is refused.
    const int reserved = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(reserved, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(reserved, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t size = sizeof address;
    ASSERT_EQ(::getsockname(reserved, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const std::string server = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    cupsSetServer(server.c_str());

    const CupsConnection connection(std::chrono::seconds(5));
    EXPECT_FALSE(connection.isOpen());
    EXPECT_EQ(connection.problem(), "CUPS at " + server + " does not answer: connection refused");

    cupsSetServer(nullptr);
    ::close(reserved);
}

} // namespace
} // namespace vidur::serve

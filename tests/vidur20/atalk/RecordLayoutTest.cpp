// SPDX-License-Identifier: MIT
// The layout itself is pinned by the header's static assertions; this checks what a host
// sees when it copies records as plain bytes.
#include "vidur20/atalk/AppleTalk.h"

#include <cstring>

#include <gtest/gtest.h>

TEST(RecordLayout, AddressFieldsSitWhereHostsReadThem) {
    _NBPTuple tuple;
    std::memset(&tuple, 0, sizeof tuple);
    tuple.address.network = 0x1234;
    tuple.address.nodeID = 0x56;
    tuple.address.socket = 0x78;
    tuple.enumerator = 0x9A;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&tuple);
    uint16_t network;
    std::memcpy(&network, bytes + 104, 2);
    EXPECT_EQ(network, 0x1234);
    EXPECT_EQ(bytes[106], 0x56);
    EXPECT_EQ(bytes[107], 0x78);
    EXPECT_EQ(bytes[108], 0x9A);
}

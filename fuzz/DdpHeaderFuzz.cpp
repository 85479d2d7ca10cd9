// SPDX-License-Identifier: MIT
// DDP short and long headers from the network: whatever parses must serialize back to the
// same bytes (when the bits the parser ignores are clear), and nothing may crash.
#include "appletalk/protocols/ddp/DdpCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

using namespace appletalk;

namespace {

void expectSame(const std::optional<std::vector<std::uint8_t>>& bytes, std::span<const std::uint8_t> input) {
    if (!bytes || !std::equal(bytes->begin(), bytes->end(), input.begin(), input.end())) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto shortHeader = DdpCodec::parseShort(bytes, {1, 20, 254});
    if (shortHeader.datagram) {
        if (shortHeader.datagram->data.size() > Datagram::kMaxData) std::abort();
        if ((bytes[0] & 0xFC) == 0) expectSame(DdpCodec::serializeShort(*shortHeader.datagram), bytes);
    }
    const auto longHeader = DdpCodec::parseLong(bytes);
    if (longHeader.datagram) {
        if (longHeader.datagram->data.size() > Datagram::kMaxData) std::abort();
        const bool checksummed = bytes[2] != 0 || bytes[3] != 0;
        if ((bytes[0] & 0xC0) == 0) expectSame(DdpCodec::serializeLong(*longHeader.datagram, checksummed), bytes);
    }
    return 0;
}

// SPDX-License-Identifier: MIT
#include "appletalk/services/asp/AspPackets.h"

#include <algorithm>

#include "appletalk/protocols/asp/AspFunction.h"

namespace appletalk::asp {

std::optional<std::vector<atp::AtpPayload>> toPackets(atp::UserBytes first, std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kQuantumSize) return std::nullopt;
    std::vector<atp::AtpPayload> packets;
    std::size_t offset = 0;
    do {
        const std::size_t size = std::min(kMaxAtpData, bytes.size() - offset);
        const auto piece = bytes.subspan(offset, size);
        packets.push_back({packets.empty() ? first : atp::UserBytes{}, {piece.begin(), piece.end()}});
        offset += size;
    } while (offset < bytes.size());
    return packets;
}

std::vector<std::uint8_t> joinPackets(const std::vector<atp::AtpPayload>& packets) {
    std::vector<std::uint8_t> bytes;
    for (const auto& packet : packets) bytes.insert(bytes.end(), packet.data.begin(), packet.data.end());
    return bytes;
}

} // namespace appletalk::asp

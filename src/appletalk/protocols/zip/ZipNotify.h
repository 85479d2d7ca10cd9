// SPDX-License-Identifier: MIT
// ZIP Notify (function 7): a router tells the nodes of a cable that its zone changed. Laid
// out like a GetNetInfo reply with the range zeroed: flags, reserved zeros, old zone, new
// multicast address, new zone. Published descriptions disagree on the number of zero bytes
// (2 or 4), so parse accepts either; serialize writes 4, as GetNetInfo has.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::zip {

struct ZipNotify {
    std::uint8_t flags = 0;
    std::string oldZone;
    std::vector<std::uint8_t> multicastAddress;
    std::string newZone;

    static std::optional<ZipNotify> parse(std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> serialize() const;

    bool operator==(const ZipNotify&) const = default;
};

} // namespace appletalk::zip

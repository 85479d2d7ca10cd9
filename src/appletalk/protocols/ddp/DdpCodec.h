// SPDX-License-Identifier: MIT
// The short and long DDP headers. A short header (LLAP type 1) holds no network or node
// numbers: those come from the LLAP header and THIS-NET. A long header (LLAP type 2) holds
// the full addresses, a hop count and an optional checksum.
#pragma once

#include "appletalk/protocols/ddp/Datagram.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace appletalk {

enum class DdpError {
    None,
    TooShort, // fewer bytes than the header
    LengthMismatch, // the length field is not the number of bytes received
    DataTooLong, // more than 586 bytes of data
    BadChecksum, // a non-zero checksum that does not match
};

struct DdpParseResult {
    std::optional<Datagram> datagram;
    DdpError error = DdpError::None;
};

// What a short header leaves out, taken from the frame that carried it.
struct ShortHeaderContext {
    std::uint16_t network = 0; // THIS-NET of the receiving node
    std::uint8_t destinationNode = 0;
    std::uint8_t sourceNode = 0;
};

class DdpCodec {
public:
    static constexpr std::size_t kShortHeaderSize = 5;
    static constexpr std::size_t kLongHeaderSize = 13;
    static constexpr std::uint8_t kMaxHopCount = 15;

    static DdpParseResult parseShort(std::span<const std::uint8_t> bytes, const ShortHeaderContext& context);
    static DdpParseResult parseLong(std::span<const std::uint8_t> bytes);

    // Nothing when the data is over 586 bytes or the hop count over 15.
    static std::optional<std::vector<std::uint8_t>> serializeShort(const Datagram& datagram);
    // With `withChecksum` false the checksum field is 0 ("not computed").
    static std::optional<std::vector<std::uint8_t>> serializeLong(const Datagram& datagram, bool withChecksum = true);

    // The checksum of the bytes after the checksum field (offset 4 to the end), as sent:
    // a computed 0 becomes 0xFFFF, because 0 on the wire means "none".
    static std::uint16_t checksum(std::span<const std::uint8_t> bytesAfterChecksumField);
};

} // namespace appletalk

// SPDX-License-Identifier: MIT
// The 16-byte header in front of every DSI message on TCP: flags (0 request, 1 reply), the
// command, the request id, a word that is the error code of a reply and the data offset of a
// Write request (where the AFP command ends and the write data begins), the length of what
// follows the header, and 4 reserved bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace appletalk::dsi {

enum class DsiCommand : std::uint8_t {
    CloseSession = 1,
    Command = 2,
    GetStatus = 3,
    OpenSession = 4,
    Tickle = 5,
    Write = 6,
    Attention = 8,
};

inline constexpr std::size_t kHeaderSize = 16;
inline constexpr std::uint16_t kDefaultPort = 548;
// What a server offers to take in one request when it says nothing else (OpenSession).
inline constexpr std::uint32_t kDefaultRequestQuantum = 0x100000;
// The attention data is the 2-byte AFP attention code.
inline constexpr std::uint32_t kMinAttentionQuantum = 2;

struct DsiHeader {
    bool reply = false;
    DsiCommand command = DsiCommand::GetStatus;
    std::uint16_t requestId = 0;
    std::uint32_t errorOrOffset = 0; // a reply's error code; a Write request's data offset
    std::uint32_t totalLength = 0;
    std::uint32_t reserved = 0;

    static DsiHeader request(DsiCommand command, std::uint16_t requestId, std::uint32_t length) {
        return {false, command, requestId, 0, length, 0};
    }
    static DsiHeader replyTo(const DsiHeader& request, std::int32_t error, std::uint32_t length) {
        return {true, request.command, request.requestId, static_cast<std::uint32_t>(error), length, 0};
    }
    std::int32_t errorCode() const { return static_cast<std::int32_t>(errorOrOffset); }
    std::uint32_t dataOffset() const { return errorOrOffset; }

    // Takes exactly 16 bytes. Rejects flags other than 0 and 1, an unknown command, and a
    // Write request whose data offset lies past its total length.
    static std::optional<DsiHeader> parse(std::span<const std::uint8_t> bytes);
    std::array<std::uint8_t, kHeaderSize> serialize() const;

    bool operator==(const DsiHeader&) const = default;
};

} // namespace appletalk::dsi

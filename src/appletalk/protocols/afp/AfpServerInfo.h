// SPDX-License-Identifier: MIT
// The server information block: GetSrvrInfo's reply, ASP's GetStatus and DSI's GetStatus
// reply. Five words (offsets to the machine type, the AFP versions, the UAMs and the icon,
// and the flags), the server name, and, when the flags announce a signature or TCP, two more
// offsets: the signature and the network addresses. Offsets count from the block's start;
// an offset of 0 means the part is absent (icon, signature, addresses).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::afp {

namespace server_flag {
inline constexpr std::uint16_t CopyFile = 0x0001;
inline constexpr std::uint16_t ChangePassword = 0x0002;
inline constexpr std::uint16_t NoSavePassword = 0x0004;
inline constexpr std::uint16_t ServerMessages = 0x0008;
inline constexpr std::uint16_t ServerSignature = 0x0010;
inline constexpr std::uint16_t TcpIp = 0x0020;
inline constexpr std::uint16_t ServerNotifications = 0x0040;
} // namespace server_flag

inline constexpr std::size_t kIconAndMaskSize = 256; // a 32x32 icon and its mask, 1 bit deep
inline constexpr std::size_t kSignatureSize = 16;
inline constexpr std::size_t kMaxServerName = 31;

struct AfpNetworkAddress {
    enum Tag : std::uint8_t { Ip = 1, IpPort = 2, Ddp = 3, DnsName = 4 };
    std::uint8_t tag = Ip;
    std::vector<std::uint8_t> address;

    bool operator==(const AfpNetworkAddress&) const = default;
};

struct AfpServerInfo {
    std::string machineType;
    std::vector<std::string> afpVersions; // "AFPVersion 2.1", ...
    std::vector<std::string> uams; // "No User Authent", "Cleartxt Passwrd", ...
    std::optional<std::array<std::uint8_t, kIconAndMaskSize>> icon;
    std::uint16_t flags = 0;
    std::string serverName;
    std::optional<std::array<std::uint8_t, kSignatureSize>> signature;
    std::vector<AfpNetworkAddress> addresses;

    // Whether the block carries the signature and address offsets after the name.
    bool hasExtendedOffsets() const { return (flags & (server_flag::ServerSignature | server_flag::TcpIp)) != 0; }

    // Rejects an offset into the fixed part or past the end, a string past its end, and a
    // server name over 31 bytes.
    static std::optional<AfpServerInfo> parse(std::span<const std::uint8_t> bytes);
    // Nothing when a string or list cannot be encoded.
    std::optional<std::vector<std::uint8_t>> serialize() const;

    bool operator==(const AfpServerInfo&) const = default;
};

} // namespace appletalk::afp

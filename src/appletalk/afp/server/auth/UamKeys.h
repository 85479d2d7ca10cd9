// SPDX-License-Identifier: MIT
// What both ends of a UAM agree on: the field sizes, the Diffie-Hellman group and CBC
// vectors of DHCAST128, and the DES keys the random-number exchanges make of a password.
#pragma once

#include "appletalk/afp/server/auth/AuthCrypto.h"
#include "appletalk/afp/server/auth/Uam.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace appletalk::afp::uam {

inline constexpr std::size_t kIdBytes = 2;
inline constexpr std::size_t kCleartextPasswordBytes = 8;
inline constexpr std::size_t kRandomBytes = 8; // Randnum's challenge, and 2-Way's answer

inline constexpr std::size_t kDhcastNumberBytes = 16; // p, Ma, Mb, the key K and the nonce
inline constexpr std::size_t kDhcastPasswordBytes = 64;
inline constexpr std::array<std::uint8_t, kDhcastNumberBytes> kDhcastPrime{
    0xBA, 0x28, 0x73, 0xDF, 0xB0, 0x60, 0x57, 0xD4, 0x3F, 0x20, 0x24, 0x74, 0x4C, 0xEE, 0xE7, 0x5B};
inline constexpr std::uint8_t kDhcastGenerator = 7;
// The vector of the server's block (nonce and signature) and of the client's (nonce + 1 and
// password).
inline constexpr std::array<std::uint8_t, 8> kDhcastServerIv{'C', 'J', 'a', 'l', 'b', 'e', 'r', 't'};
inline constexpr std::array<std::uint8_t, 8> kDhcastClientIv{'L', 'W', 'a', 'l', 'l', 'a', 'c', 'e'};
// The server's block: the nonce, then a signature of zeros.
inline constexpr std::size_t kDhcastServerBlockBytes = 2 * kDhcastNumberBytes;
inline constexpr std::size_t kDhcastClientBlockBytes = kDhcastNumberBytes + kDhcastPasswordBytes;

// The password zero-padded to `width` bytes (the caller checked it fits).
std::vector<std::uint8_t> paddedPassword(std::string_view password, std::size_t width);

// The DES key of Randnum Exchange (the padded password as it is, so each byte's low bit is
// lost to parity) or of 2-Way Randnum (each byte shifted left one bit, so the high bit is
// lost instead and 7-bit characters keep all of theirs).
crypto::Block8 randnumKey(Uam uam, std::string_view password);

// The 16-byte nonce plus one, as a big-endian number (wrapping at 2^128).
void incrementNonce(std::span<std::uint8_t> nonce);

// Whether a Diffie-Hellman public value lies in 2..p-2: 0, 1 and p-1 would fix the key.
bool usablePublicValue(std::span<const std::uint8_t> value);

} // namespace appletalk::afp::uam

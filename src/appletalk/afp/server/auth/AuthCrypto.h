// SPDX-License-Identifier: MIT
// The few primitives the UAMs need, over libgcrypt: random bytes, single DES blocks,
// CAST-128 in CBC mode and modular exponentiation. Secrets pass through here in plain buffers
// the callers wipe (Secret.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace appletalk::afp::crypto {

using Block8 = std::array<std::uint8_t, 8>;

// Initialises libgcrypt once per process, whoever calls first; later calls are free. Leaves
// it alone when the host program has already finished its initialisation.
void initialise();

// Unpredictable bytes: challenges, nonces, exponents, continuation IDs.
void randomize(std::span<std::uint8_t> bytes);

// One DES block (ECB) under an 8-byte key whose low bit of each byte is parity. Weak keys
// are accepted: a password may well make one.
std::optional<Block8> desEncrypt(const Block8& key, const Block8& block);

// CAST-128 in CBC mode under a 16-byte key; `data` is whole 8-byte blocks.
std::optional<std::vector<std::uint8_t>> cast128Cbc(bool encrypt, std::span<const std::uint8_t, 16> key,
                                                    std::span<const std::uint8_t, 8> iv,
                                                    std::span<const std::uint8_t> data);

// (base ^ exponent) mod modulus, unsigned big-endian numbers, the result as wide as the
// modulus (zeros on the left).
std::optional<std::vector<std::uint8_t>> modPow(std::span<const std::uint8_t> base,
                                                std::span<const std::uint8_t> exponent,
                                                std::span<const std::uint8_t> modulus);

// Whether two byte strings are equal, in a time that does not depend on where they differ.
bool equalInConstantTime(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

} // namespace appletalk::afp::crypto

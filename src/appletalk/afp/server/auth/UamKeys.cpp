// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/auth/UamKeys.h"

#include <algorithm>

namespace appletalk::afp::uam {

std::vector<std::uint8_t> paddedPassword(std::string_view password, std::size_t width) {
    std::vector<std::uint8_t> padded(width, 0);
    std::copy_n(password.begin(), std::min(width, password.size()), padded.begin());
    return padded;
}

crypto::Block8 randnumKey(Uam uam, std::string_view password) {
    crypto::Block8 key{};
    std::copy_n(password.begin(), std::min(key.size(), password.size()), key.begin());
    if (uam == Uam::TwoWayRandnum)
        for (auto& byte : key) byte = static_cast<std::uint8_t>(byte << 1);
    return key;
}

void incrementNonce(std::span<std::uint8_t> nonce) {
    for (auto byte = nonce.rbegin(); byte != nonce.rend(); ++byte)
        if (++*byte != 0) return;
}

bool usablePublicValue(std::span<const std::uint8_t> value) {
    if (value.size() != kDhcastNumberBytes) return false;
    auto primeMinusOne = kDhcastPrime;
    primeMinusOne.back() = static_cast<std::uint8_t>(primeMinusOne.back() - 1); // the prime is odd
    const bool belowPrimeMinusOne =
        std::lexicographical_compare(value.begin(), value.end(), primeMinusOne.begin(), primeMinusOne.end());
    const bool aboveOne =
        std::any_of(value.begin(), value.end() - 1, [](std::uint8_t b) { return b != 0; }) || value.back() > 1;
    return belowPrimeMinusOne && aboveOne;
}

} // namespace appletalk::afp::uam

// SPDX-License-Identifier: MIT
// The property every protocol fuzz target checks: whatever a parser accepts serializes into
// bytes that parse back to the same value. A mismatch aborts, so the fuzzer (and the corpus
// replay under the sanitizers) reports it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace appletalk::fuzz {

using Bytes = std::span<const std::uint8_t>;

[[noreturn]] inline void mismatch(const char* what) {
    std::fprintf(stderr, "round trip mismatch: %s\n", what);
    std::abort();
}

template <typename T>
void checkRoundTrip(Bytes bytes, const char* what) {
    const auto value = T::parse(bytes);
    if (!value) return;
    const auto wire = value->serialize();
    const auto again = T::parse(wire);
    if (!again || !(*again == *value)) mismatch(what);
}

// The 4 ATP user bytes and the data that follows them, for client protocols of ATP.
struct AtpSplit {
    Bytes userBytes;
    Bytes data;
};

inline AtpSplit splitUserBytes(Bytes bytes) {
    if (bytes.size() < 4) return {bytes, {}};
    return {bytes.first(4), bytes.subspan(4)};
}

} // namespace appletalk::fuzz

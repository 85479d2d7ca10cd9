// SPDX-License-Identifier: MIT
// Big-endian packet builder. A field that cannot be encoded (a string longer than its limit,
// a value out of range) marks the writer failed, and finish() then hands back no bytes: a
// value that cannot be encoded is refused, never truncated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace appletalk {

class ByteWriter {
public:
    // Room for a packet of `size` bytes at once, instead of growing field by field.
    void reserve(std::size_t size) { bytes_.reserve(size); }
    void u8(std::uint8_t value) { bytes_.push_back(value); }
    void u16(std::uint16_t value);
    void u32(std::uint32_t value);
    void bytes(std::span<const std::uint8_t> data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
    void zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    void pstr(std::string_view text, std::size_t maxLength);
    // Refuses the packet when `condition` is false.
    void require(bool condition) { ok_ = ok_ && condition; }

    bool ok() const { return ok_; }
    std::size_t size() const { return bytes_.size(); }
    // The packet, or an empty vector when a field was refused or it exceeds maxSize.
    std::vector<std::uint8_t> finish(std::size_t maxSize);

private:
    std::vector<std::uint8_t> bytes_;
    bool ok_ = true;
};

} // namespace appletalk

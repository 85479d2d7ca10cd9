// SPDX-License-Identifier: MIT
#include "appletalk/protocols/wire/ByteReader.h"

namespace appletalk {

std::span<const std::uint8_t> ByteReader::peek(std::size_t count) const {
    if (!ok_ || bytes_.size() - position_ < count) return {};
    return bytes_.subspan(position_, count);
}

std::uint8_t ByteReader::u8() {
    const auto bytes = take(1);
    return bytes.empty() ? 0 : bytes[0];
}

std::uint16_t ByteReader::u16() {
    const auto bytes = take(2);
    if (bytes.empty()) return 0;
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::uint32_t ByteReader::u32() {
    const std::uint32_t high = u16();
    return high << 16 | u16();
}

std::span<const std::uint8_t> ByteReader::take(std::size_t count) {
    if (!ok_ || bytes_.size() - position_ < count) {
        ok_ = false;
        return {};
    }
    const auto bytes = bytes_.subspan(position_, count);
    position_ += count;
    return bytes;
}

std::span<const std::uint8_t> ByteReader::rest() { return take(remaining()); }

std::string ByteReader::pstr(std::size_t maxLength) {
    const std::size_t length = u8();
    if (length > maxLength) {
        ok_ = false;
        return {};
    }
    const auto bytes = take(length);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace appletalk

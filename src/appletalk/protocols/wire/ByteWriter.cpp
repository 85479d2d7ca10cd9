// SPDX-License-Identifier: MIT
#include "appletalk/protocols/wire/ByteWriter.h"

#include <utility>

namespace appletalk {

void ByteWriter::u16(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void ByteWriter::u32(std::uint32_t value) {
    u16(static_cast<std::uint16_t>(value >> 16));
    u16(static_cast<std::uint16_t>(value & 0xFFFF));
}

void ByteWriter::pstr(std::string_view text, std::size_t maxLength) {
    if (text.size() > maxLength || text.size() > 255) {
        ok_ = false;
        return;
    }
    u8(static_cast<std::uint8_t>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
}

std::vector<std::uint8_t> ByteWriter::finish(std::size_t maxSize) {
    if (!ok_ || bytes_.size() > maxSize) return {};
    return std::move(bytes_);
}

} // namespace appletalk

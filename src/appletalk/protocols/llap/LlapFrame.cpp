// SPDX-License-Identifier: MIT
#include "appletalk/protocols/llap/LlapFrame.h"

namespace appletalk {

namespace {

bool isKnownControl(std::uint8_t type) {
    return type == LlapFrame::kEnq || type == LlapFrame::kAck || type == LlapFrame::kRts || type == LlapFrame::kCts;
}

bool isValid(std::uint8_t type, std::size_t dataSize) {
    if (type == 0x00) return false;
    if ((type & 0x80) != 0) return isKnownControl(type) && dataSize == 0;
    return dataSize <= LlapFrame::kMaxData;
}

} // namespace

std::optional<LlapFrame> LlapFrame::parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize) return std::nullopt;
    const auto data = bytes.subspan(kHeaderSize);
    if (!isValid(bytes[2], data.size())) return std::nullopt;
    return LlapFrame{bytes[0], bytes[1], bytes[2], std::vector<std::uint8_t>(data.begin(), data.end())};
}

std::optional<std::vector<std::uint8_t>> LlapFrame::serialize() const {
    if (!isValid(type, data.size())) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kHeaderSize + data.size());
    bytes.push_back(destination);
    bytes.push_back(source);
    bytes.push_back(type);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

} // namespace appletalk

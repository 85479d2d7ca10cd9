// SPDX-License-Identifier: MIT
#include "appletalk/protocols/rtmp/RtmpRequest.h"

namespace appletalk::rtmp {

namespace {

bool isKnown(std::uint8_t code) { return code >= 1 && code <= 3; }

} // namespace

std::optional<RtmpRequest> RtmpRequest::parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != 1 || !isKnown(bytes[0])) return std::nullopt;
    return RtmpRequest{static_cast<Function>(bytes[0])};
}

std::vector<std::uint8_t> RtmpRequest::serialize() const {
    const auto code = static_cast<std::uint8_t>(function);
    if (!isKnown(code)) return {};
    return {code};
}

} // namespace appletalk::rtmp

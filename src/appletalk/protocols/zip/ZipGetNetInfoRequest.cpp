// SPDX-License-Identifier: MIT
#include "appletalk/protocols/zip/ZipGetNetInfoRequest.h"

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/protocols/wire/WireLimits.h"
#include "appletalk/protocols/zip/ZipFunction.h"

namespace appletalk::zip {

namespace {

constexpr std::size_t kReservedBytes = 5;

} // namespace

std::optional<ZipGetNetInfoRequest> ZipGetNetInfoRequest::parse(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    if (reader.u8() != static_cast<std::uint8_t>(ZipFunction::GetNetInfoRequest)) return std::nullopt;
    reader.skip(kReservedBytes);
    ZipGetNetInfoRequest request;
    request.zone = reader.pstr(kMaxNameLength);
    if (!reader.atEnd()) return std::nullopt;
    return request;
}

std::vector<std::uint8_t> ZipGetNetInfoRequest::serialize() const {
    ByteWriter writer;
    writer.u8(static_cast<std::uint8_t>(ZipFunction::GetNetInfoRequest));
    writer.zeros(kReservedBytes);
    writer.pstr(zone, kMaxNameLength);
    return writer.finish(kMaxDdpData);
}

} // namespace appletalk::zip

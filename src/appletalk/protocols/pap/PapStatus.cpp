// SPDX-License-Identifier: MIT
#include "appletalk/protocols/pap/PapStatus.h"

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/protocols/wire/WireLimits.h"

namespace appletalk::pap {

namespace {

constexpr std::size_t kUnusedBytes = 4;

} // namespace

std::optional<PapStatus> PapStatus::parse(std::span<const std::uint8_t> data) {
    if (data.size() > kMaxAtpData) return std::nullopt;
    ByteReader reader(data);
    reader.skip(kUnusedBytes);
    PapStatus status;
    status.status = reader.pstr(kMaxLength);
    if (!reader.ok()) return std::nullopt;
    return status;
}

std::vector<std::uint8_t> PapStatus::serialize() const {
    ByteWriter writer;
    writer.zeros(kUnusedBytes);
    writer.pstr(status, kMaxLength);
    return writer.finish(kMaxAtpData);
}

} // namespace appletalk::pap

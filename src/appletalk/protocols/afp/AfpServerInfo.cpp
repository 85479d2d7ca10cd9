// SPDX-License-Identifier: MIT
#include "appletalk/protocols/afp/AfpServerInfo.h"

#include <algorithm>

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::afp {

namespace {

constexpr std::size_t kNameOffset = 10;

// A reader at `offset` of the block, failed when the offset lies in the fixed part.
ByteReader readerAt(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t fixed) {
    if (offset < fixed || offset > bytes.size()) {
        ByteReader failed(std::span<const std::uint8_t>{});
        failed.fail();
        return failed;
    }
    return ByteReader(bytes.subspan(offset));
}

std::vector<std::string> readList(ByteReader reader, bool& ok) {
    std::vector<std::string> list(reader.u8());
    for (auto& item : list) item = reader.pstr(255);
    ok = ok && reader.ok();
    return list;
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> readFixed(std::span<const std::uint8_t> bytes, std::size_t offset,
                                                     std::size_t fixed, bool& ok) {
    if (offset == 0) return std::nullopt;
    ByteReader reader = readerAt(bytes, offset, fixed);
    const auto data = reader.take(N);
    ok = ok && reader.ok();
    std::array<std::uint8_t, N> out{};
    std::copy(data.begin(), data.end(), out.begin());
    return out;
}

std::vector<AfpNetworkAddress> readAddresses(ByteReader reader, bool& ok) {
    std::vector<AfpNetworkAddress> addresses(reader.u8());
    for (auto& entry : addresses) {
        const std::size_t length = reader.u8(); // counts itself and the tag
        if (length < 2) reader.fail();
        entry.tag = reader.u8();
        const auto address = reader.take(length < 2 ? 0 : length - 2);
        entry.address.assign(address.begin(), address.end());
    }
    ok = ok && reader.ok();
    return addresses;
}

void writeList(ByteWriter& writer, const std::vector<std::string>& list) {
    writer.require(list.size() <= 255);
    writer.u8(static_cast<std::uint8_t>(list.size()));
    for (const auto& item : list) writer.pstr(item, 255);
}

} // namespace

std::optional<AfpServerInfo> AfpServerInfo::parse(std::span<const std::uint8_t> bytes) {
    ByteReader header(bytes);
    const std::size_t machineOffset = header.u16();
    const std::size_t versionsOffset = header.u16();
    const std::size_t uamsOffset = header.u16();
    const std::size_t iconOffset = header.u16();
    AfpServerInfo info;
    info.flags = header.u16();
    info.serverName = header.pstr(kMaxServerName);
    std::size_t signatureOffset = 0;
    std::size_t addressesOffset = 0;
    if (info.hasExtendedOffsets()) {
        if ((kNameOffset + 1 + info.serverName.size()) % 2 != 0) header.u8();
        signatureOffset = header.u16();
        addressesOffset = header.u16();
    }
    if (!header.ok()) return std::nullopt;
    const std::size_t fixed = bytes.size() - header.remaining();
    bool ok = true;
    ByteReader machine = readerAt(bytes, machineOffset, fixed);
    info.machineType = machine.pstr(255);
    ok = machine.ok();
    info.afpVersions = readList(readerAt(bytes, versionsOffset, fixed), ok);
    info.uams = readList(readerAt(bytes, uamsOffset, fixed), ok);
    info.icon = readFixed<kIconAndMaskSize>(bytes, iconOffset, fixed, ok);
    info.signature = readFixed<kSignatureSize>(bytes, signatureOffset, fixed, ok);
    if (addressesOffset != 0) info.addresses = readAddresses(readerAt(bytes, addressesOffset, fixed), ok);
    if (!ok) return std::nullopt;
    return info;
}

std::optional<std::vector<std::uint8_t>> AfpServerInfo::serialize() const {
    ByteWriter head;
    ByteWriter body;
    const bool extended = hasExtendedOffsets();
    std::size_t fixed = kNameOffset + 1 + serverName.size();
    if (extended) fixed += fixed % 2 + 4;
    const auto offsetOf = [&] { return static_cast<std::uint16_t>(fixed + body.size()); };

    const std::uint16_t machineOffset = offsetOf();
    body.pstr(machineType, 255);
    const std::uint16_t versionsOffset = offsetOf();
    writeList(body, afpVersions);
    const std::uint16_t uamsOffset = offsetOf();
    writeList(body, uams);
    std::uint16_t iconOffset = 0;
    if (icon) {
        iconOffset = offsetOf();
        body.bytes(*icon);
    }
    std::uint16_t signatureOffset = 0;
    if (signature) {
        signatureOffset = offsetOf();
        body.bytes(*signature);
    }
    std::uint16_t addressesOffset = 0;
    if (!addresses.empty()) {
        addressesOffset = offsetOf();
        body.require(addresses.size() <= 255);
        body.u8(static_cast<std::uint8_t>(addresses.size()));
        for (const auto& entry : addresses) {
            body.require(entry.address.size() <= 253);
            body.u8(static_cast<std::uint8_t>(entry.address.size() + 2));
            body.u8(entry.tag);
            body.bytes(entry.address);
        }
    }
    // Without the extended offsets there is nowhere to say where a signature or addresses are.
    head.require(extended || (!signature && addresses.empty()));
    head.require(fixed + body.size() <= 0xFFFF);
    head.u16(machineOffset);
    head.u16(versionsOffset);
    head.u16(uamsOffset);
    head.u16(iconOffset);
    head.u16(flags);
    head.pstr(serverName, kMaxServerName);
    if (extended) {
        if (head.size() % 2 != 0) head.u8(0);
        head.u16(signatureOffset);
        head.u16(addressesOffset);
    }
    if (!head.ok() || !body.ok()) return std::nullopt;
    auto bytes = head.finish(0xFFFF);
    const auto tail = body.finish(0xFFFF);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

} // namespace appletalk::afp

// SPDX-License-Identifier: MIT
#include "appletalk/protocols/afp/AfpParameters.h"

#include "appletalk/protocols/afp/AfpBlock.h"
#include "appletalk/protocols/afp/AfpPath.h"
#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::afp {

namespace {

constexpr int kNameField = -1;

// Bytes of each bit's field, kNameField for a name offset, 0 for a bit not defined.
using Widths = std::array<int, 16>;
constexpr Widths kFileWidths{2, 4, 4, 4, 4, 32, kNameField, kNameField, 4, 4, 4, 0, 0, 6, 0, 0};
constexpr Widths kDirectoryWidths{2, 4, 4, 4, 4, 32, kNameField, kNameField, 4, 2, 4, 4, 4, 6, 0, 0};
constexpr Widths kVolumeWidths{2, 2, 4, 4, 4, 2, 4, 4, kNameField, 8, 8, 4, 0, 0, 0, 0};

const Widths& widthsOf(ParameterKind kind) {
    if (kind == ParameterKind::Directory) return kDirectoryWidths;
    if (kind == ParameterKind::Volume) return kVolumeWidths;
    return kFileWidths;
}

std::size_t nameLimit(ParameterKind kind, int bit) {
    if (kind == ParameterKind::Volume) return kMaxVolumeName;
    return bit == file_bit::ShortName ? kMaxShortName : kMaxLongName;
}

std::size_t fixedSize(const Widths& widths, std::uint16_t bitmap) {
    std::size_t size = 0;
    for (int bit = 0; bit < 16; ++bit)
        if ((bitmap >> bit) & 1) size += widths[bit] == kNameField ? 2 : static_cast<std::size_t>(widths[bit]);
    return size;
}

std::uint64_t readNumber(ByteReader& reader, int width) {
    std::uint64_t value = 0;
    for (const std::uint8_t byte : reader.take(static_cast<std::size_t>(width))) value = value << 8 | byte;
    return value;
}

std::optional<std::string> readName(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t fixed,
                                    std::size_t limit) {
    if (offset < fixed || offset >= bytes.size()) return std::nullopt;
    ByteReader reader(bytes.subspan(offset));
    auto name = reader.pstr(limit);
    if (!reader.ok()) return std::nullopt;
    return name;
}

} // namespace

void AfpParameters::set(int bit, std::uint64_t value) {
    bitmap = static_cast<std::uint16_t>(bitmap | 1u << bit);
    numbers[static_cast<std::size_t>(bit)] = value;
}

void AfpParameters::setName(int bit, std::string name) {
    bitmap = static_cast<std::uint16_t>(bitmap | 1u << bit);
    names[static_cast<std::size_t>(bit)] = std::move(name);
}

void AfpParameters::setBlob(int bit, std::vector<std::uint8_t> bytes) {
    bitmap = static_cast<std::uint16_t>(bitmap | 1u << bit);
    blobs[static_cast<std::size_t>(bit)] = std::move(bytes);
}

std::uint16_t AfpParameters::knownBits(ParameterKind kind) {
    std::uint16_t bits = 0;
    const auto& widths = widthsOf(kind);
    for (int bit = 0; bit < 16; ++bit)
        if (widths[bit] != 0) bits = static_cast<std::uint16_t>(bits | 1u << bit);
    return bits;
}

std::optional<AfpParameters> AfpParameters::parse(ParameterKind kind, std::uint16_t bitmap,
                                                  std::span<const std::uint8_t> bytes) {
    if ((bitmap & ~knownBits(kind)) != 0) return std::nullopt;
    const auto& widths = widthsOf(kind);
    const std::size_t fixed = fixedSize(widths, bitmap);
    AfpParameters parameters{kind, bitmap, {}, {}, {}};
    ByteReader reader(bytes);
    for (int bit = 0; bit < 16 && reader.ok(); ++bit) {
        if (!parameters.has(bit)) continue;
        const int width = widths[bit];
        const auto slot = static_cast<std::size_t>(bit);
        if (width == kNameField) {
            auto name = readName(bytes, reader.u16(), fixed, nameLimit(kind, bit));
            if (!name) return std::nullopt;
            parameters.names[slot] = std::move(*name);
        } else if (width > 8) {
            const auto blob = reader.take(static_cast<std::size_t>(width));
            parameters.blobs[slot].assign(blob.begin(), blob.end());
        } else {
            parameters.numbers[slot] = readNumber(reader, width);
        }
    }
    if (!reader.ok()) return std::nullopt;
    return parameters;
}

std::optional<std::vector<std::uint8_t>> AfpParameters::serialize() const {
    const auto& widths = widthsOf(kind);
    ByteWriter writer;
    writer.require((bitmap & ~knownBits(kind)) == 0);
    std::size_t nameOffset = fixedSize(widths, bitmap);
    ByteWriter tailWriter;
    for (int bit = 0; bit < 16; ++bit) {
        if (!has(bit) || widths[bit] == 0) continue;
        const int width = widths[bit];
        const auto slot = static_cast<std::size_t>(bit);
        if (width == kNameField) {
            writer.u16(static_cast<std::uint16_t>(nameOffset));
            tailWriter.pstr(names[slot], nameLimit(kind, bit));
            nameOffset += 1 + names[slot].size();
        } else if (width > 8) {
            writer.require(blobs[slot].size() == static_cast<std::size_t>(width));
            writer.bytes(blobs[slot]);
        } else {
            writer.require(width == 8 || numbers[slot] < (std::uint64_t{1} << (8 * width)));
            for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
                writer.u8(static_cast<std::uint8_t>(numbers[slot] >> shift));
        }
    }
    writer.require(tailWriter.ok() && nameOffset <= 0xFFFF);
    const auto tail = tailWriter.finish(0xFFFF);
    writer.bytes(tail);
    if (!writer.ok()) return std::nullopt;
    return writer.finish(0xFFFF);
}

} // namespace appletalk::afp

// SPDX-License-Identifier: MIT
#include "appletalk/protocols/dsi/DsiSessionOptions.h"

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::dsi {

namespace {

bool isKnown(std::uint8_t type) { return type <= static_cast<std::uint8_t>(DsiOptionType::ServerReplayCacheSize); }

} // namespace

DsiSessionOptions DsiSessionOptions::with(DsiOptionType type, std::uint32_t value) {
    return {{{static_cast<std::uint8_t>(type),
              {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
               static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)}}}};
}

std::optional<std::uint32_t> DsiSessionOptions::word(DsiOptionType type) const {
    for (const auto& option : options) {
        if (option.type != static_cast<std::uint8_t>(type)) continue;
        ByteReader reader(option.value);
        return reader.u32();
    }
    return std::nullopt;
}

std::optional<DsiSessionOptions> DsiSessionOptions::parse(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    DsiSessionOptions result;
    while (reader.ok() && reader.remaining() > 0) {
        DsiOption option;
        option.type = reader.u8();
        const std::size_t length = reader.u8();
        const auto value = reader.take(length);
        if (isKnown(option.type) && length != 4) return std::nullopt;
        option.value.assign(value.begin(), value.end());
        result.options.push_back(std::move(option));
    }
    if (!reader.atEnd()) return std::nullopt;
    return result;
}

std::vector<std::uint8_t> DsiSessionOptions::serialize() const {
    ByteWriter writer;
    std::size_t size = 0;
    for (const auto& option : options) {
        writer.require(option.value.size() <= 255 && (!isKnown(option.type) || option.value.size() == 4));
        writer.u8(option.type);
        writer.u8(static_cast<std::uint8_t>(option.value.size()));
        writer.bytes(option.value);
        size += 2 + option.value.size();
    }
    return writer.finish(size);
}

} // namespace appletalk::dsi

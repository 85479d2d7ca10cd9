// SPDX-License-Identifier: MIT
#include "appletalk/afp/volume/AppleDouble.h"

#include <algorithm>
#include <cstring>

namespace appletalk::afp {

namespace {

std::uint32_t readU32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

void writeU32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}

std::uint64_t readU64(const std::uint8_t* p) { return (std::uint64_t{readU32(p)} << 32) | readU32(p + 4); }

void writeU64(std::uint8_t* p, std::uint64_t value) {
    writeU32(p, static_cast<std::uint32_t>(value >> 32));
    writeU32(p + 4, static_cast<std::uint32_t>(value));
}

// The metadata record's entries in the order and sizes of the Linux layout.
struct Slot {
    AppleDoubleEntry id;
    std::uint32_t size;
};
constexpr Slot kMetadataSlots[] = {
    {AppleDoubleEntry::FinderInfo, 32},  {AppleDoubleEntry::Comment, 200},     {AppleDoubleEntry::FileDates, 16},
    {AppleDoubleEntry::AfpFileInfo, 4},  {AppleDoubleEntry::PrivateDevice, 8}, {AppleDoubleEntry::PrivateInode, 8},
    {AppleDoubleEntry::PrivateStamp, 8}, {AppleDoubleEntry::PrivateId, 4},
};

// An entry's bytes when the record has it whole at its expected size or more.
const std::uint8_t* entryBytes(std::span<const std::uint8_t> bytes, const AppleDoubleHeader& header,
                               AppleDoubleEntry id, std::uint32_t minimum) {
    const auto* entry = header.find(id);
    if (entry == nullptr || entry->length < minimum || std::size_t{entry->offset} + minimum > bytes.size())
        return nullptr;
    return bytes.data() + entry->offset;
}

// The metadata entries, and the resource fork after them when there is one: it comes last so
// that it can grow without moving anything.
std::vector<std::uint8_t> serializeEntries(const MacMetadata& metadata, std::optional<std::uint32_t> resourceFork) {
    AppleDoubleHeader header;
    const std::size_t count = std::size(kMetadataSlots) + (resourceFork ? 1 : 0);
    std::uint32_t offset = static_cast<std::uint32_t>(kAppleDoubleHeaderBytes + count * kAppleDoubleEntryBytes);
    for (const auto& slot : kMetadataSlots) {
        header.entries.push_back({static_cast<std::uint32_t>(slot.id), offset, slot.size});
        offset += slot.size;
    }
    if (resourceFork)
        header.entries.push_back({static_cast<std::uint32_t>(AppleDoubleEntry::ResourceFork), offset, *resourceFork});
    const auto comment = std::string_view(metadata.comment).substr(0, MacMetadata::kMaxCommentBytes);
    header.entries[1].length = static_cast<std::uint32_t>(comment.size()); // the room stays, the length says
    auto out = header.serialize();
    out.resize(offset, 0);
    auto at = [&](std::size_t slot) { return out.data() + header.entries[slot].offset; };
    std::copy(metadata.finderInfo.begin(), metadata.finderInfo.end(), at(0));
    std::copy(comment.begin(), comment.end(), at(1));
    writeU32(at(2), static_cast<std::uint32_t>(metadata.created));
    writeU32(at(2) + 4, static_cast<std::uint32_t>(metadata.modified));
    writeU32(at(2) + 8, static_cast<std::uint32_t>(metadata.backedUp));
    writeU32(at(2) + 12, static_cast<std::uint32_t>(metadata.accessed));
    writeU32(at(3), metadata.attributes);
    writeU64(at(4), metadata.device);
    writeU64(at(5), metadata.inode);
    std::copy(metadata.stamp.begin(), metadata.stamp.end(), at(6));
    writeU32(at(7), metadata.id);
    return out;
}

} // namespace

std::optional<AppleDoubleHeader> AppleDoubleHeader::parse(std::span<const std::uint8_t> bytes, std::uint64_t fileSize) {
    if (bytes.size() < kAppleDoubleHeaderBytes) return {};
    if (readU32(bytes.data()) != kAppleDoubleMagic || readU32(bytes.data() + 4) != kAppleDoubleVersion) return {};
    const std::size_t count = (std::size_t{bytes[24]} << 8) | bytes[25];
    if (bytes.size() < kAppleDoubleHeaderBytes + count * kAppleDoubleEntryBytes) return {};
    AppleDoubleHeader header;
    for (std::size_t i = 0; i < count; ++i) {
        const auto* p = bytes.data() + kAppleDoubleHeaderBytes + i * kAppleDoubleEntryBytes;
        const AppleDoubleEntryRef entry{readU32(p), readU32(p + 4), readU32(p + 8)};
        if (std::uint64_t{entry.offset} + entry.length > fileSize) return {};
        header.entries.push_back(entry);
    }
    return header;
}

std::vector<std::uint8_t> AppleDoubleHeader::serialize() const {
    std::vector<std::uint8_t> out(bytes(), 0); // the filler stays zero, as RFC 1740 asks
    writeU32(out.data(), kAppleDoubleMagic);
    writeU32(out.data() + 4, kAppleDoubleVersion);
    out[24] = static_cast<std::uint8_t>(entries.size() >> 8);
    out[25] = static_cast<std::uint8_t>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        auto* p = out.data() + kAppleDoubleHeaderBytes + i * kAppleDoubleEntryBytes;
        writeU32(p, entries[i].id);
        writeU32(p + 4, entries[i].offset);
        writeU32(p + 8, entries[i].length);
    }
    return out;
}

const AppleDoubleEntryRef* AppleDoubleHeader::find(AppleDoubleEntry id) const {
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [id](const auto& entry) { return entry.id == static_cast<std::uint32_t>(id); });
    return it == entries.end() ? nullptr : &*it;
}

std::vector<std::uint8_t> serializeMetadata(const MacMetadata& metadata) { return serializeEntries(metadata, {}); }

std::vector<std::uint8_t> serializeSidecarHead(const MacMetadata& metadata, std::uint32_t resourceForkLength) {
    return serializeEntries(metadata, resourceForkLength);
}

bool isSidecarLayout(const AppleDoubleHeader& header) {
    const auto expected = AppleDoubleHeader::parse(serializeSidecarHead({}, 0), kSidecarHeadBytes);
    if (header.entries.size() != expected->entries.size()) return false;
    for (std::size_t i = 0; i < header.entries.size(); ++i) {
        const auto& have = header.entries[i];
        const auto& want = expected->entries[i];
        if (have.id != want.id || have.offset != want.offset) return false;
        if (i + 1 < header.entries.size() && have.id != static_cast<std::uint32_t>(AppleDoubleEntry::Comment) &&
            have.length != want.length)
            return false;
    }
    return true;
}

std::optional<MacMetadata> parseMetadata(std::span<const std::uint8_t> bytes, std::uint64_t fileSize) {
    const auto header = AppleDoubleHeader::parse(bytes, std::max<std::uint64_t>(fileSize, bytes.size()));
    if (!header) return {};
    MacMetadata metadata;
    if (const auto* p = entryBytes(bytes, *header, AppleDoubleEntry::FinderInfo, 32))
        std::copy(p, p + 32, metadata.finderInfo.begin());
    if (const auto* entry = header->find(AppleDoubleEntry::Comment); entry && entry->offset < bytes.size()) {
        const auto length =
            std::min<std::size_t>({entry->length, MacMetadata::kMaxCommentBytes, bytes.size() - entry->offset});
        metadata.comment.assign(reinterpret_cast<const char*>(bytes.data() + entry->offset), length);
    }
    if (const auto* p = entryBytes(bytes, *header, AppleDoubleEntry::FileDates, 16)) {
        metadata.created = static_cast<std::int32_t>(readU32(p));
        metadata.modified = static_cast<std::int32_t>(readU32(p + 4));
        metadata.backedUp = static_cast<std::int32_t>(readU32(p + 8));
        metadata.accessed = static_cast<std::int32_t>(readU32(p + 12));
    }
    // The attribute bits are the low half; AFP has no more than 16 of them.
    if (const auto* p = entryBytes(bytes, *header, AppleDoubleEntry::AfpFileInfo, 4))
        metadata.attributes = static_cast<std::uint16_t>(readU32(p));
    if (const auto* p = entryBytes(bytes, *header, AppleDoubleEntry::PrivateDevice, 8)) metadata.device = readU64(p);
    if (const auto* p = entryBytes(bytes, *header, AppleDoubleEntry::PrivateInode, 8)) metadata.inode = readU64(p);
    if (const auto* p = entryBytes(bytes, *header, AppleDoubleEntry::PrivateStamp, 8))
        std::copy(p, p + 8, metadata.stamp.begin());
    if (const auto* p = entryBytes(bytes, *header, AppleDoubleEntry::PrivateId, 4)) metadata.id = readU32(p);
    return metadata;
}

} // namespace appletalk::afp

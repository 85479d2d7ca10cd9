// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpParameterBlocks.h"

#include "appletalk/protocols/afp/AfpPath.h"

#include <algorithm>

namespace appletalk::afp {

namespace {

constexpr std::size_t kProDosInfoSize = 6;
constexpr std::uint16_t kVolumeReadOnly = 0x0001, kVolumeHasPassword = 0x0002, kVolumeFileIds = 0x0004;
constexpr std::uint16_t kFixedDirectoryIds = 2; // the volume signature: IDs never change
// AFP 2.x's 32-bit sizes stop short of the sign bit: older clients read them as signed.
constexpr std::uint64_t kMaxReportedSize = 0x7FFFFFFF;

std::uint32_t asWord(std::int32_t date) { return static_cast<std::uint32_t>(date); }

std::uint64_t capped(std::uint64_t size) { return std::min(size, kMaxReportedSize); }

// The bits both kinds share, in the same places.
void setCommon(AfpParameters& out, const EntryInfo& entry, const std::string& name) {
    using namespace file_bit;
    if (out.has(ParentId)) out.set(ParentId, entry.parentId);
    if (out.has(Created)) out.set(Created, asWord(entry.created));
    if (out.has(Modified)) out.set(Modified, asWord(entry.modified));
    if (out.has(Backup)) out.set(Backup, asWord(entry.backedUp));
    if (out.has(FinderInfo)) out.setBlob(FinderInfo, {entry.finderInfo.begin(), entry.finderInfo.end()});
    if (out.has(LongName)) out.setName(LongName, name);
    if (out.has(ShortName)) out.setName(ShortName, name.substr(0, kMaxShortName));
    if (out.has(ProDosInfo)) out.setBlob(ProDosInfo, std::vector<std::uint8_t>(kProDosInfoSize, 0));
}

} // namespace

bool renameInhibited(const EntryInfo& entry) { return (entry.attributes & (entry.isDirectory ? 0x0040 : 0x0080)) != 0; }

bool deleteInhibited(const EntryInfo& entry) { return (entry.attributes & (entry.isDirectory ? 0x0080 : 0x0100)) != 0; }

AfpParameters entryParameters(const EntryInfo& entry, std::uint16_t bitmap, const std::string& rootName,
                              std::uint16_t openForks) {
    AfpParameters out;
    out.kind = entry.isDirectory ? ParameterKind::Directory : ParameterKind::File;
    out.bitmap = bitmap;
    const std::string& name = entry.id == Volume::kRootId ? rootName : entry.macName;
    setCommon(out, entry, name);
    if (out.has(file_bit::Attributes)) out.set(file_bit::Attributes, (entry.attributes & 0x7FFF) | openForks);
    if (entry.isDirectory) {
        using namespace directory_bit;
        if (out.has(DirectoryId)) out.set(DirectoryId, entry.id);
        if (out.has(OffspringCount)) out.set(OffspringCount, std::min<std::uint32_t>(entry.offspring, 0xFFFF));
        if (out.has(OwnerId)) out.set(OwnerId, entry.ownerId);
        if (out.has(GroupId)) out.set(GroupId, entry.groupId);
        if (out.has(AccessRights)) out.set(AccessRights, entry.accessRights);
    } else {
        using namespace file_bit;
        if (out.has(FileNumber)) out.set(FileNumber, entry.id);
        if (out.has(DataForkLength)) out.set(DataForkLength, capped(entry.dataSize));
        if (out.has(ResourceForkLength)) out.set(ResourceForkLength, capped(entry.resourceSize));
    }
    return out;
}

AfpParameters volumeParameters(const VolumeFacts& facts, std::uint16_t bitmap) {
    using namespace volume_bit;
    AfpParameters out;
    out.kind = ParameterKind::Volume;
    out.bitmap = bitmap;
    const auto flag = [](bool on, std::uint16_t bit) { return on ? bit : std::uint16_t{0}; };
    if (out.has(Attributes))
        out.set(Attributes,
                flag(facts.readOnly, kVolumeReadOnly) | flag(facts.hasPassword, kVolumeHasPassword) | kVolumeFileIds);
    if (out.has(Signature)) out.set(Signature, kFixedDirectoryIds);
    if (out.has(Created)) out.set(Created, asWord(facts.root->created));
    if (out.has(Modified)) out.set(Modified, asWord(facts.root->modified));
    if (out.has(Backup)) out.set(Backup, asWord(facts.root->backedUp));
    if (out.has(VolumeId)) out.set(VolumeId, facts.id);
    if (out.has(BytesFree)) out.set(BytesFree, capped(facts.bytesFree));
    if (out.has(BytesTotal)) out.set(BytesTotal, capped(facts.bytesTotal));
    if (out.has(Name)) out.setName(Name, facts.name);
    if (out.has(ExtendedBytesFree)) out.set(ExtendedBytesFree, facts.bytesFree);
    if (out.has(ExtendedBytesTotal)) out.set(ExtendedBytesTotal, facts.bytesTotal);
    if (out.has(BlockSize)) out.set(BlockSize, facts.blockSize);
    return out;
}

RequestedChanges requestedChanges(const EntryInfo& current, std::uint16_t bitmap, std::span<const std::uint8_t> block) {
    using namespace file_bit;
    const auto kind = current.isDirectory ? ParameterKind::Directory : ParameterKind::File;
    // Folder owner, group and rights are the Linux folder's own; they are taken and left as
    // they are, as the server cannot give a folder away.
    const std::uint16_t settable =
        (1u << Attributes) | (1u << Created) | (1u << Modified) | (1u << Backup) | (1u << FinderInfo) |
        (1u << ProDosInfo) |
        (current.isDirectory
             ? (1u << directory_bit::OwnerId) | (1u << directory_bit::GroupId) | (1u << directory_bit::AccessRights)
             : 0u);
    if ((bitmap & ~settable) != 0) return {AfpResult::BitmapErr, {}};
    const auto parsed = AfpParameters::parse(kind, bitmap, block);
    if (!parsed) return {AfpResult::ParamErr, {}};
    RequestedChanges out;
    auto& changes = out.changes;
    if (parsed->has(Attributes)) {
        const auto bits = static_cast<std::uint16_t>(parsed->numbers[Attributes] & 0x7FFF);
        const bool set = (parsed->numbers[Attributes] & kSetAttributes) != 0;
        changes.attributes = static_cast<std::uint16_t>(set ? current.attributes | bits : current.attributes & ~bits);
    }
    if (parsed->has(Created)) changes.created = static_cast<std::int32_t>(parsed->numbers[Created]);
    if (parsed->has(Modified)) changes.modified = static_cast<std::int32_t>(parsed->numbers[Modified]);
    if (parsed->has(Backup)) changes.backedUp = static_cast<std::int32_t>(parsed->numbers[Backup]);
    if (parsed->has(FinderInfo)) {
        std::array<std::uint8_t, kFinderInfoSize> info{};
        std::copy_n(parsed->blobs[FinderInfo].begin(), kFinderInfoSize, info.begin());
        changes.finderInfo = info;
    }
    return out;
}

} // namespace appletalk::afp

// SPDX-License-Identifier: MIT
// GetFileDirParms, the Set*Parms calls, Enumerate, OpenDir, CloseDir, CreateFile, CreateDir,
// Delete, Rename and MoveAndRename.
#include "appletalk/afp/server/AfpCalls.h"
#include "appletalk/afp/server/AfpParameterBlocks.h"
#include "appletalk/afp/server/AfpResultOf.h"
#include "appletalk/protocols/afp/AfpEnumerateReply.h"

#include <algorithm>

#include "text/MacRoman.h"

namespace appletalk::afp::calls {

namespace {

constexpr std::size_t kEnumerateHeader = 6; // two bitmaps and the count
constexpr std::uint32_t kEnumerateReplyLimit = 0xFFFF;

AfpLocated locateCall(AfpSessionState& session, const AfpCall& call, std::size_t path = 0) {
    return locate(session, call.get(AfpField::Volume), call.get(AfpField::Directory), call.request.block.paths[path]);
}

bool bitmapsKnown(std::uint32_t fileBitmap, std::uint32_t directoryBitmap) {
    return (fileBitmap & ~AfpParameters::knownBits(ParameterKind::File)) == 0 &&
           (directoryBitmap & ~AfpParameters::knownBits(ParameterKind::Directory)) == 0;
}

AfpAnswer setParms(AfpSessionState& session, const AfpCall& call, std::optional<bool> wantsDirectory) {
    const auto located = locateCall(session, call);
    if (located.result != AfpResult::NoErr) return answer(located.result);
    auto& volume = *located.shared->volume;
    auto current = volume.parameters(located.target.directoryId, located.target.name);
    if (!current.ok()) return answer(afpResultOf(current.error));
    if (wantsDirectory && *wantsDirectory != current.value.isDirectory) return answer(AfpResult::ObjectTypeErr);
    const auto requested = requestedChanges(current.value, static_cast<std::uint16_t>(call.get(AfpField::Bitmap)),
                                            call.request.block.rest);
    if (requested.result != AfpResult::NoErr) return answer(requested.result);
    return answer(
        afpResultOf(volume.setParameters(located.target.directoryId, located.target.name, requested.changes)));
}

// The entries from 1-based `start`, as many as the request and the reply's size allow.
std::optional<AfpEnumerateReply> enumerated(AfpSessionState& session, const AfpSharedVolume& shared,
                                            std::vector<EntryInfo>& entries, const AfpCall& call, std::size_t maxSize) {
    AfpEnumerateReply reply;
    reply.fileBitmap = static_cast<std::uint16_t>(call.get(AfpField::Bitmap));
    reply.directoryBitmap = static_cast<std::uint16_t>(call.get(AfpField::DirectoryBitmap));
    std::size_t size = kEnumerateHeader;
    for (std::size_t i = call.get(AfpField::Index) - 1; i < entries.size(); ++i) {
        if (reply.entries.size() >= call.get(AfpField::ReqCount)) break;
        const auto& entry = entries[i];
        auto parameters = entryParameters(entry, entry.isDirectory ? reply.directoryBitmap : reply.fileBitmap,
                                          shared.macName, openForkBits(session, shared, entry));
        const auto body = parameters.serialize();
        if (!body) return std::nullopt;
        const std::size_t length = 2 + body->size() + body->size() % 2;
        if (length > 255 || size + length > maxSize) break;
        size += length;
        reply.entries.push_back(std::move(parameters));
    }
    return reply;
}

} // namespace

AfpAnswer getFileDirParms(AfpSessionState& session, const AfpCall& call) {
    const auto fileBitmap = call.get(AfpField::Bitmap);
    const auto directoryBitmap = call.get(AfpField::DirectoryBitmap);
    if (!bitmapsKnown(fileBitmap, directoryBitmap)) return answer(AfpResult::BitmapErr);
    const auto located = locateCall(session, call);
    if (located.result != AfpResult::NoErr) return answer(located.result);
    auto entry = located.shared->volume->parameters(located.target.directoryId, located.target.name);
    if (!entry.ok()) return answer(afpResultOf(entry.error));
    const auto bitmap = static_cast<std::uint16_t>(entry.value.isDirectory ? directoryBitmap : fileBitmap);
    const auto parameters = entryParameters(entry.value, bitmap, located.shared->macName,
                                            openForkBits(session, *located.shared, entry.value));
    AfpBlock block = withParameters(parameters);
    block.set(AfpField::Bitmap, fileBitmap);
    block.set(AfpField::DirectoryBitmap, directoryBitmap);
    block.set(AfpField::Flag, entry.value.isDirectory ? kIsDirectory : 0);
    return reply(session, AfpCommand::GetFileDirParms, block);
}

AfpAnswer setFileDirParms(AfpSessionState& session, const AfpCall& call) {
    switch (call.request.command) {
    case AfpCommand::SetFileParms: return setParms(session, call, false);
    case AfpCommand::SetDirParms: return setParms(session, call, true);
    default: return setParms(session, call, std::nullopt);
    }
}

AfpAnswer enumerate(AfpSessionState& session, const AfpCall& call) {
    const auto fileBitmap = call.get(AfpField::Bitmap);
    const auto directoryBitmap = call.get(AfpField::DirectoryBitmap);
    if ((fileBitmap == 0 && directoryBitmap == 0) || !bitmapsKnown(fileBitmap, directoryBitmap))
        return answer(AfpResult::BitmapErr);
    if (call.get(AfpField::ReqCount) == 0 || call.get(AfpField::Index) == 0) return answer(AfpResult::ParamErr);
    const auto located = locateCall(session, call);
    if (located.result != AfpResult::NoErr) return answer(located.result);
    auto& volume = *located.shared->volume;
    auto folder = volume.parameters(located.target.directoryId, located.target.name);
    if (!folder.ok()) return answer(afpResultOf(folder.error));
    if (!folder.value.isDirectory) return answer(AfpResult::ObjectTypeErr);
    auto listed = volume.enumerate(folder.value.id);
    if (!listed.ok()) return answer(afpResultOf(listed.error));
    // A bitmap of 0 leaves that kind out; the order is fixed, so indexes hold across calls.
    std::erase_if(listed.value,
                  [&](const EntryInfo& entry) { return (entry.isDirectory ? directoryBitmap : fileBitmap) == 0; });
    std::sort(listed.value.begin(), listed.value.end(), [](const EntryInfo& a, const EntryInfo& b) {
        return vidur::text::compareBytes(a.macName, b.macName) < 0;
    });
    if (call.get(AfpField::Index) > listed.value.size()) return answer(AfpResult::ObjectNotFound);
    const std::size_t maxSize =
        std::min<std::size_t>({call.get(AfpField::Size), session.options().maxReply, kEnumerateReplyLimit});
    const auto reply = enumerated(session, *located.shared, listed.value, call, maxSize);
    if (!reply) return answer(AfpResult::MiscErr);
    if (reply->entries.empty()) return answer(AfpResult::ParamErr); // not even one entry fits
    auto bytes = reply->serialize(maxSize);
    if (!bytes) return answer(AfpResult::MiscErr);
    return answer(AfpResult::NoErr, std::move(*bytes));
}

AfpAnswer openDir(AfpSessionState& session, const AfpCall& call) {
    const auto located = locateCall(session, call);
    if (located.result != AfpResult::NoErr) return answer(located.result);
    auto entry = located.shared->volume->parameters(located.target.directoryId, located.target.name);
    if (!entry.ok()) return answer(afpResultOf(entry.error));
    if (!entry.value.isDirectory) return answer(AfpResult::ObjectTypeErr);
    AfpBlock block;
    block.set(AfpField::Directory, entry.value.id);
    return reply(session, AfpCommand::OpenDir, block);
}

// IDs are fixed on this server's volumes: there is nothing to close.
AfpAnswer closeDir(AfpSessionState& session, const AfpCall& call) {
    return answer(session.openVolume(call.get(AfpField::Volume)) ? AfpResult::NoErr : AfpResult::ParamErr);
}

AfpAnswer createFile(AfpSessionState& session, const AfpCall& call) {
    const auto located = locateCall(session, call);
    if (located.result != AfpResult::NoErr) return answer(located.result);
    if (located.target.name.empty()) return answer(AfpResult::ObjectExists);
    auto& volume = *located.shared->volume;
    const auto& [directoryId, name] = located.target;
    auto created = volume.createFile(directoryId, name);
    if (created.error == VolumeError::Exists && (call.get(AfpField::Flag) & kHardCreate) != 0) {
        // A hard create replaces a file, but never one that is open or a folder.
        auto existing = volume.parameters(directoryId, name);
        if (!existing.ok()) return answer(afpResultOf(existing.error));
        if (existing.value.isDirectory) return answer(AfpResult::ObjectTypeErr);
        if (session.server().locks().isOpen(located.shared->id, existing.value.id)) return answer(AfpResult::FileBusy);
        if (const auto error = volume.remove(directoryId, name); error != VolumeError::None)
            return answer(afpResultOf(error));
        created = volume.createFile(directoryId, name);
    }
    return answer(afpResultOf(created.error));
}

AfpAnswer createDir(AfpSessionState& session, const AfpCall& call) {
    const auto located = locateCall(session, call);
    if (located.result != AfpResult::NoErr) return answer(located.result);
    if (located.target.name.empty()) return answer(AfpResult::ObjectExists);
    auto created = located.shared->volume->createDirectory(located.target.directoryId, located.target.name);
    if (!created.ok()) return answer(afpResultOf(created.error));
    AfpBlock block;
    block.set(AfpField::Directory, created.value);
    return reply(session, AfpCommand::CreateDir, block);
}

AfpAnswer remove(AfpSessionState& session, const AfpCall& call) {
    const auto located = locateCall(session, call);
    if (located.result != AfpResult::NoErr) return answer(located.result);
    auto& volume = *located.shared->volume;
    auto target = namedTarget(volume, located.target);
    if (!target.ok()) return answer(afpResultOf(target.error));
    auto entry = volume.parameters(target.value.directoryId, target.value.name);
    if (!entry.ok()) return answer(afpResultOf(entry.error));
    if (deleteInhibited(entry.value)) return answer(AfpResult::ObjectLocked);
    if (!entry.value.isDirectory && session.server().locks().isOpen(located.shared->id, entry.value.id))
        return answer(AfpResult::FileBusy);
    return answer(afpResultOf(volume.remove(target.value.directoryId, target.value.name)));
}

AfpAnswer rename(AfpSessionState& session, const AfpCall& call) {
    const auto located = locateCall(session, call);
    if (located.result != AfpResult::NoErr) return answer(located.result);
    auto& volume = *located.shared->volume;
    auto target = namedTarget(volume, located.target);
    if (!target.ok())
        return answer(target.error == VolumeError::AccessDenied ? AfpResult::CantRename : afpResultOf(target.error));
    const auto newName = singleName(call.request.block.paths[1]);
    if (!newName.ok() || newName.value.empty()) return answer(AfpResult::ParamErr);
    auto entry = volume.parameters(target.value.directoryId, target.value.name);
    if (!entry.ok()) return answer(afpResultOf(entry.error));
    if (renameInhibited(entry.value)) return answer(AfpResult::ObjectLocked);
    return answer(
        afpResultOf(volume.move(target.value.directoryId, target.value.name, target.value.directoryId, newName.value)));
}

AfpAnswer moveAndRename(AfpSessionState& session, const AfpCall& call) {
    const auto located = locateCall(session, call);
    if (located.result != AfpResult::NoErr) return answer(located.result);
    auto& volume = *located.shared->volume;
    auto source = namedTarget(volume, located.target);
    if (!source.ok())
        return answer(source.error == VolumeError::AccessDenied ? AfpResult::CantMove : afpResultOf(source.error));
    const auto destination =
        locate(session, call.get(AfpField::Volume), call.get(AfpField::DestDirectory), call.request.block.paths[1]);
    if (destination.result != AfpResult::NoErr) return answer(destination.result);
    auto folder = volume.parameters(destination.target.directoryId, destination.target.name);
    if (!folder.ok()) return answer(afpResultOf(folder.error));
    if (!folder.value.isDirectory) return answer(AfpResult::ObjectTypeErr);
    const auto newName = singleName(call.request.block.paths[2]);
    if (!newName.ok()) return answer(AfpResult::ParamErr);
    const std::string& name = newName.value.empty() ? source.value.name : newName.value;
    auto entry = volume.parameters(source.value.directoryId, source.value.name);
    if (!entry.ok()) return answer(afpResultOf(entry.error));
    if (name != source.value.name && renameInhibited(entry.value)) return answer(AfpResult::ObjectLocked);
    return answer(afpResultOf(volume.move(source.value.directoryId, source.value.name, folder.value.id, name)));
}

} // namespace appletalk::afp::calls

// SPDX-License-Identifier: MIT
// CreateID, ResolveID, DeleteID, CopyFile and ExchangeFiles: the calls the volume answers
// by file ID or across two entries.
#include "appletalk/afp/server/AfpCalls.h"
#include "appletalk/afp/server/AfpParameterBlocks.h"
#include "appletalk/afp/server/AfpResultOf.h"

namespace appletalk::afp::calls {

namespace {

// The file a path names: a folder is the wrong kind of object.
VolumeResult<EntryInfo> fileAt(Volume& volume, const AfpTarget& target) {
    auto entry = volume.parameters(target.directoryId, target.name);
    if (entry.ok() && entry.value.isDirectory) return VolumeError::WrongKind;
    return entry;
}

bool sourceDenied(AfpSessionState& session, std::uint16_t volume, std::uint32_t fileId) {
    const AfpAccessMode reading{AfpAccessMode::kRead};
    auto& locks = session.server().locks();
    return locks.denied(AfpForkKey{volume, fileId, ForkKind::Data}, reading) ||
           locks.denied(AfpForkKey{volume, fileId, ForkKind::Resource}, reading);
}

} // namespace

AfpAnswer createId(AfpSessionState& session, const AfpCall& call) {
    const auto located =
        locate(session, call.get(AfpField::Volume), call.get(AfpField::Directory), call.request.block.paths[0]);
    if (located.result != AfpResult::NoErr) return answer(located.result);
    auto& volume = *located.shared->volume;
    const auto id = volume.createFileId(located.target.directoryId, located.target.name);
    // An ID the file has already is answered with that ID and IDExists.
    const auto result = afpResultOf(id.error);
    if (result != AfpResult::NoErr && result != AfpResult::IDExists) return answer(result);
    AfpBlock block;
    block.set(AfpField::Tag, id.value);
    return reply(session, AfpCommand::CreateID, block, result);
}

AfpAnswer resolveId(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.openVolume(call.get(AfpField::Volume));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    const auto bitmap = static_cast<std::uint16_t>(call.get(AfpField::Bitmap));
    if ((bitmap & ~AfpParameters::knownBits(ParameterKind::File)) != 0) return answer(AfpResult::BitmapErr);
    const auto entry = shared->volume->resolveFileId(call.get(AfpField::Tag));
    if (!entry.ok()) return answer(afpResultOf(entry.error));
    return reply(session, AfpCommand::ResolveID,
                 withParameters(entryParameters(entry.value, bitmap, shared->macName,
                                                openForkBits(session, *shared, entry.value))));
}

AfpAnswer deleteId(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.openVolume(call.get(AfpField::Volume));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    return answer(afpResultOf(shared->volume->deleteFileId(call.get(AfpField::Tag))));
}

AfpAnswer copyFile(AfpSessionState& session, const AfpCall& call) {
    const auto& paths = call.request.block.paths;
    const auto source = locate(session, call.get(AfpField::Volume), call.get(AfpField::Directory), paths[0]);
    if (source.result != AfpResult::NoErr) return answer(source.result);
    const auto destination =
        locate(session, call.get(AfpField::DestVolume), call.get(AfpField::DestDirectory), paths[1]);
    if (destination.result != AfpResult::NoErr) return answer(destination.result);
    // The volume copies within itself; between volumes the client copies through its forks.
    if (source.shared != destination.shared) return answer(AfpResult::CallNotSupported);
    auto& volume = *source.shared->volume;
    const auto file = fileAt(volume, source.target);
    if (!file.ok()) return answer(afpResultOf(file.error));
    if (sourceDenied(session, source.shared->id, file.value.id)) return answer(AfpResult::DenyConflict);
    const auto folder = volume.parameters(destination.target.directoryId, destination.target.name);
    if (!folder.ok()) return answer(afpResultOf(folder.error));
    if (!folder.value.isDirectory) return answer(AfpResult::ObjectTypeErr);
    const auto newName = singleName(paths[2]);
    if (!newName.ok()) return answer(AfpResult::ParamErr);
    const auto copied = volume.copyFile(source.target.directoryId, source.target.name, folder.value.id,
                                        newName.value.empty() ? file.value.macName : newName.value);
    return answer(afpResultOf(copied.error));
}

AfpAnswer exchangeFiles(AfpSessionState& session, const AfpCall& call) {
    const auto& paths = call.request.block.paths;
    const auto first = locate(session, call.get(AfpField::Volume), call.get(AfpField::Directory), paths[0]);
    if (first.result != AfpResult::NoErr) return answer(first.result);
    const auto second = locate(session, call.get(AfpField::Volume), call.get(AfpField::DestDirectory), paths[1]);
    if (second.result != AfpResult::NoErr) return answer(second.result);
    auto& volume = *first.shared->volume;
    const auto a = fileAt(volume, first.target);
    const auto b = fileAt(volume, second.target);
    for (const auto* file : {&a, &b})
        if (!file->ok())
            return answer(file->error == VolumeError::WrongKind ? AfpResult::ObjectTypeErr : afpResultOf(file->error));
    if (a.value.id == b.value.id) return answer(AfpResult::SameObjectErr);
    return answer(afpResultOf(volume.exchangeFiles(first.target.directoryId, first.target.name,
                                                   second.target.directoryId, second.target.name)));
}

} // namespace appletalk::afp::calls

// SPDX-License-Identifier: MIT
// OpenDT, CloseDT, icons, APPL mappings and comments. Icons and mappings are the volume's
// desktop database; comments are the entries' own metadata, kept with the file.
#include "appletalk/afp/server/AfpCalls.h"
#include "appletalk/afp/server/AfpParameterBlocks.h"
#include "appletalk/afp/server/AfpResultOf.h"

#include <algorithm>

namespace appletalk::afp::calls {

namespace {

struct CommentPlace {
    AfpResult result = AfpResult::NoErr;
    Volume* volume = nullptr;
    AfpTarget target;
};

CommentPlace commentPlace(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.desktopVolume(call.get(AfpField::Reference));
    if (shared == nullptr) return {AfpResult::ParamErr, nullptr, {}};
    const auto located = locate(session, shared->id, call.get(AfpField::Directory), call.request.block.paths[0]);
    return {located.result, shared->volume.get(), located.target};
}

DesktopDatabase::IconKey iconKeyOf(const AfpCall& call) {
    return {call.get(AfpField::Creator), call.get(AfpField::Type),
            static_cast<std::uint8_t>(call.get(AfpField::IconType))};
}

// The file an APPL call names, by its ID; a folder is the wrong kind.
struct ApplicationFile {
    AfpResult result = AfpResult::NoErr;
    std::uint32_t id = 0;
};

ApplicationFile applicationFile(AfpSessionState& session, const AfpCall& call, AfpSharedVolume& shared) {
    const auto located = locate(session, shared.id, call.get(AfpField::Directory), call.request.block.paths[0]);
    if (located.result != AfpResult::NoErr) return {located.result};
    const auto entry = shared.volume->parameters(located.target.directoryId, located.target.name);
    if (!entry.ok()) return {afpResultOf(entry.error)};
    if (entry.value.isDirectory) return {AfpResult::ObjectTypeErr};
    return {AfpResult::NoErr, entry.value.id};
}

} // namespace

AfpAnswer openDt(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.openVolume(call.get(AfpField::Volume));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    const auto reference = session.openDesktop(shared->id);
    if (reference == 0) return answer(AfpResult::TooManyFilesOpen);
    AfpBlock block;
    block.set(AfpField::Reference, reference);
    return reply(session, AfpCommand::OpenDT, block);
}

AfpAnswer closeDt(AfpSessionState& session, const AfpCall& call) {
    return answer(session.closeDesktop(call.get(AfpField::Reference)) ? AfpResult::NoErr : AfpResult::ParamErr);
}

AfpAnswer addComment(AfpSessionState& session, const AfpCall& call) {
    const auto place = commentPlace(session, call);
    if (place.result != AfpResult::NoErr) return answer(place.result);
    ParameterChanges changes;
    changes.comment = call.request.block.texts[0];
    return answer(afpResultOf(place.volume->setParameters(place.target.directoryId, place.target.name, changes)));
}

AfpAnswer removeComment(AfpSessionState& session, const AfpCall& call) {
    const auto place = commentPlace(session, call);
    if (place.result != AfpResult::NoErr) return answer(place.result);
    auto entry = place.volume->parameters(place.target.directoryId, place.target.name);
    if (!entry.ok()) return answer(afpResultOf(entry.error));
    if (entry.value.comment.empty()) return answer(AfpResult::ItemNotFound);
    ParameterChanges changes;
    changes.comment = std::string();
    return answer(afpResultOf(place.volume->setParameters(place.target.directoryId, place.target.name, changes)));
}

AfpAnswer getComment(AfpSessionState& session, const AfpCall& call) {
    const auto place = commentPlace(session, call);
    if (place.result != AfpResult::NoErr) return answer(place.result);
    auto entry = place.volume->parameters(place.target.directoryId, place.target.name);
    if (!entry.ok()) return answer(afpResultOf(entry.error));
    if (entry.value.comment.empty()) return answer(AfpResult::ItemNotFound);
    AfpBlock block;
    block.texts.push_back(entry.value.comment);
    return reply(session, AfpCommand::GetComment, block);
}

// The bitmap comes as the command's data (ASP Write, DSI Write), Size bytes of it.
AfpAnswer addIcon(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.desktopVolume(call.get(AfpField::Reference));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    if (call.data.size() < call.get(AfpField::Size)) return answer(AfpResult::ParamErr);
    const auto bitmap = call.data.first(call.get(AfpField::Size));
    const auto error = shared->desktop->addIcon(iconKeyOf(call), call.get(AfpField::Tag), bitmap);
    return answer(afpResultOf(error));
}

AfpAnswer getIcon(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.desktopVolume(call.get(AfpField::Reference));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    auto bitmap = shared->desktop->icon(iconKeyOf(call));
    if (!bitmap) return answer(AfpResult::ItemNotFound);
    // No more than the client's buffer holds: a Size of 0 asks only whether the icon is there.
    bitmap->resize(std::min<std::size_t>(bitmap->size(), call.get(AfpField::Size)));
    AfpBlock block;
    block.rest = std::move(*bitmap);
    return reply(session, AfpCommand::GetIcon, block);
}

AfpAnswer getIconInfo(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.desktopVolume(call.get(AfpField::Reference));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    const auto info =
        shared->desktop->iconInfo(call.get(AfpField::Creator), static_cast<std::uint16_t>(call.get(AfpField::Index)));
    if (!info) return answer(AfpResult::ItemNotFound);
    AfpBlock block;
    block.set(AfpField::Tag, info->tag);
    block.set(AfpField::Type, info->type);
    block.set(AfpField::IconType, info->iconType);
    block.set(AfpField::Size, info->size);
    return reply(session, AfpCommand::GetIconInfo, block);
}

AfpAnswer addAppl(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.desktopVolume(call.get(AfpField::Reference));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    const auto file = applicationFile(session, call, *shared);
    if (file.result != AfpResult::NoErr) return answer(file.result);
    return answer(
        afpResultOf(shared->desktop->addApplication(call.get(AfpField::Creator), file.id, call.get(AfpField::Tag))));
}

AfpAnswer removeAppl(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.desktopVolume(call.get(AfpField::Reference));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    const auto file = applicationFile(session, call, *shared);
    if (file.result != AfpResult::NoErr) return answer(file.result);
    const auto error = shared->desktop->removeApplication(call.get(AfpField::Creator), file.id);
    return answer(error == VolumeError::NotFound ? AfpResult::ItemNotFound : afpResultOf(error));
}

AfpAnswer getAppl(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.desktopVolume(call.get(AfpField::Reference));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    const auto bitmap = static_cast<std::uint16_t>(call.get(AfpField::Bitmap));
    if ((bitmap & ~AfpParameters::knownBits(ParameterKind::File)) != 0) return answer(AfpResult::BitmapErr);
    const auto application = shared->desktop->application(call.get(AfpField::Creator),
                                                          static_cast<std::uint16_t>(call.get(AfpField::Index)));
    if (!application) return answer(AfpResult::ItemNotFound);
    // A mapping whose application has gone is as good as none.
    const auto entry = entryById(*shared->volume, application->fileId);
    if (!entry.ok() || entry.value.isDirectory) return answer(AfpResult::ItemNotFound);
    AfpBlock block = withParameters(
        entryParameters(entry.value, bitmap, shared->macName, openForkBits(session, *shared, entry.value)));
    block.set(AfpField::Tag, application->applTag);
    return reply(session, AfpCommand::GetAPPL, block);
}

} // namespace appletalk::afp::calls

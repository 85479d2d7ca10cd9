// SPDX-License-Identifier: MIT
// OpenDT, CloseDT and the comment calls. Comments are the entries' own metadata, kept with
// the file; a desktop reference only says which volume they are on.
#include "appletalk/afp/server/AfpCalls.h"
#include "appletalk/afp/server/AfpResultOf.h"

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

} // namespace appletalk::afp::calls

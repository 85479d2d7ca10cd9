// SPDX-License-Identifier: MIT
// GetSrvrParms, OpenVol, CloseVol, GetVolParms, SetVolParms and Flush.
#include "appletalk/afp/server/AfpCalls.h"
#include "appletalk/afp/server/AfpLogText.h"
#include "appletalk/afp/server/AfpParameterBlocks.h"
#include "appletalk/afp/server/AfpResultOf.h"
#include "appletalk/protocols/afp/AfpServerParms.h"

#include "text/MacRoman.h"

#include <algorithm>

namespace appletalk::afp::calls {

namespace {

AfpAnswer volumeAnswer(AfpSessionState& session, AfpCommand command, AfpSharedVolume& shared, std::uint16_t bitmap) {
    if ((bitmap & ~AfpParameters::knownBits(ParameterKind::Volume)) != 0) return answer(AfpResult::BitmapErr);
    auto root = shared.volume->parameters(Volume::kRootId, "");
    if (!root.ok()) return answer(afpResultOf(root.error));
    VolumeFacts facts{&root.value, shared.macName, shared.id, shared.config.readOnly, !shared.config.password.empty()};
    if (const auto space = shared.volume->space(); space.ok()) {
        facts.bytesFree = space.value.bytesFree;
        facts.bytesTotal = space.value.bytesTotal;
        facts.blockSize = space.value.blockSize;
    }
    return reply(session, command, withParameters(volumeParameters(facts, bitmap)));
}

AfpSharedVolume* volumeNamed(AfpServerState& server, const std::string& name) {
    for (auto& shared : server.volumes())
        if (vidur::text::compareFolded(shared.macName, name) == 0) return &shared;
    return nullptr;
}

// OpenVol's password: up to 8 bytes, padded with zeros.
bool passwordMatches(const ShareVolumeConfig& config, const std::vector<std::uint8_t>& given) {
    if (config.password.empty()) return true;
    std::vector<std::uint8_t> expected(kPasswordSize, 0);
    std::copy(config.password.begin(), config.password.end(), expected.begin());
    return given == expected;
}

} // namespace

AfpAnswer getSrvrParms(AfpSessionState& session, const AfpCall&) {
    AfpServerParms parms;
    parms.serverTime = afpNow();
    for (const auto& shared : session.server().volumes())
        parms.volumes.push_back(
            {shared.config.password.empty() ? std::uint8_t{0} : AfpServerParms::kHasPassword, shared.macName});
    auto bytes = parms.serialize();
    if (!bytes || bytes->size() > session.options().maxReply) return answer(AfpResult::MiscErr);
    return answer(AfpResult::NoErr, std::move(*bytes));
}

AfpAnswer openVol(AfpSessionState& session, const AfpCall& call) {
    auto* shared = volumeNamed(session.server(), call.request.block.texts[0]);
    if (shared == nullptr) return answer(AfpResult::ObjectNotFound);
    if (!passwordMatches(shared->config, call.request.block.password)) {
        session.server().log("wrong password for volume \"" + loggable(shared->macName) + "\" from " +
                             loggable(session.options().peer));
        return answer(AfpResult::AccessDenied);
    }
    auto answered =
        volumeAnswer(session, AfpCommand::OpenVol, *shared, static_cast<std::uint16_t>(call.get(AfpField::Bitmap)));
    if (answered.result == 0) session.markOpen(shared->id);
    return answered;
}

AfpAnswer closeVol(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.openVolume(call.get(AfpField::Volume));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    session.closeVolume(shared->id);
    return answer(AfpResult::NoErr);
}

AfpAnswer getVolParms(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.openVolume(call.get(AfpField::Volume));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    return volumeAnswer(session, AfpCommand::GetVolParms, *shared,
                        static_cast<std::uint16_t>(call.get(AfpField::Bitmap)));
}

// Only the backup date may be set; it is the root folder's.
AfpAnswer setVolParms(AfpSessionState& session, const AfpCall& call) {
    auto* shared = session.openVolume(call.get(AfpField::Volume));
    if (shared == nullptr) return answer(AfpResult::ParamErr);
    if (call.get(AfpField::Bitmap) != (1u << volume_bit::Backup)) return answer(AfpResult::BitmapErr);
    ParameterChanges changes;
    changes.backedUp = static_cast<std::int32_t>(call.get(AfpField::Tag));
    return answer(afpResultOf(shared->volume->setParameters(Volume::kRootId, "", changes)));
}

// Writes go straight to the files; nothing waits to be flushed.
AfpAnswer flush(AfpSessionState& session, const AfpCall& call) {
    return answer(session.openVolume(call.get(AfpField::Volume)) ? AfpResult::NoErr : AfpResult::ParamErr);
}

} // namespace appletalk::afp::calls

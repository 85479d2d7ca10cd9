// SPDX-License-Identifier: MIT
// GetSrvrInfo, Login, LoginCont, Logout and the user calls. Until named users come, a
// session logs in as a guest, when the server admits guests.
#include "appletalk/afp/server/AfpCalls.h"
#include "appletalk/afp/server/AfpLogText.h"
#include "appletalk/afp/server/AfpUams.h"

#include "text/MacRoman.h"

#include <unistd.h>

namespace appletalk::afp::calls {

namespace {

constexpr std::uint8_t kUserIdToName = 1, kGroupIdToName = 2, kUserNameToId = 3, kGroupNameToId = 4;
constexpr std::uint8_t kThisUser = 0x01;
constexpr std::uint16_t kUserIdBit = 0x0001, kPrimaryGroupBit = 0x0002;
constexpr std::uint16_t kGetMessage = 0x0001;
constexpr std::uint32_t kLoginMessage = 0, kServerMessage = 1;

} // namespace

AfpAnswer getSrvrInfo(AfpSessionState& session, const AfpCall&) {
    return answer(AfpResult::NoErr, session.server().statusBlock());
}

AfpAnswer login(AfpSessionState& session, const AfpCall& call) {
    if (session.loggedIn) return answer(AfpResult::MiscErr);
    const auto& texts = call.request.block.texts;
    if (!isSupportedAfpVersion(texts[0])) return answer(AfpResult::BadVersNum);
    const std::string peer = loggable(session.options().peer);
    if (vidur::text::compareFolded(texts[1], kGuestUam) != 0 || !session.server().config().guestAllowed) {
        session.server().log("login refused from " + peer + ": method \"" + loggable(texts[1]) + "\"");
        return answer(AfpResult::BadUAM);
    }
    session.loggedIn = true;
    session.guest = true;
    session.server().log("guest logged in from " + peer + " (" + loggable(texts[0]) + ")");
    return answer(AfpResult::NoErr);
}

// No method this server offers needs a second step yet.
AfpAnswer loginCont(AfpSessionState&, const AfpCall&) { return answer(AfpResult::ParamErr); }

AfpAnswer logout(AfpSessionState& session, const AfpCall&) {
    session.closeEverything();
    session.loggedOut = true;
    session.server().log("logged out: " + loggable(session.options().peer));
    return answer(AfpResult::NoErr);
}

// The server shows no Linux account names: only the unnamed ID 0 maps.
AfpAnswer mapId(AfpSessionState& session, const AfpCall& call) {
    const auto function = call.get(AfpField::Flag);
    if (function != kUserIdToName && function != kGroupIdToName) return answer(AfpResult::ParamErr);
    if (call.get(AfpField::Tag) != 0) return answer(AfpResult::ItemNotFound);
    AfpBlock block;
    block.texts.emplace_back();
    return reply(session, AfpCommand::MapID, block);
}

AfpAnswer mapName(AfpSessionState& session, const AfpCall& call) {
    const auto function = call.get(AfpField::Flag);
    if (function != kUserNameToId && function != kGroupNameToId) return answer(AfpResult::ParamErr);
    if (!call.request.block.texts[0].empty()) return answer(AfpResult::ItemNotFound);
    return reply(session, AfpCommand::MapName, AfpBlock{});
}

AfpAnswer getUserInfo(AfpSessionState& session, const AfpCall& call) {
    if ((call.get(AfpField::Flag) & kThisUser) == 0) return answer(AfpResult::ParamErr);
    const auto bitmap = call.get(AfpField::Bitmap);
    if (bitmap == 0 || (bitmap & ~(kUserIdBit | kPrimaryGroupBit)) != 0) return answer(AfpResult::BitmapErr);
    // Files are read and written as the server's user, so that is who every client is.
    std::vector<std::uint8_t> ids;
    const auto put = [&](std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) ids.push_back(static_cast<std::uint8_t>(value >> shift));
    };
    if (bitmap & kUserIdBit) put(::geteuid());
    if (bitmap & kPrimaryGroupBit) put(::getegid());
    AfpBlock block;
    block.set(AfpField::Bitmap, bitmap);
    block.rest = std::move(ids);
    return reply(session, AfpCommand::GetUserInfo, block);
}

// There are no server messages (the status block does not announce them): an empty one.
AfpAnswer getSrvrMsg(AfpSessionState& session, const AfpCall& call) {
    const auto type = call.get(AfpField::Index);
    if (type != kLoginMessage && type != kServerMessage) return answer(AfpResult::ParamErr);
    if ((call.get(AfpField::Bitmap) & ~kGetMessage) != 0) return answer(AfpResult::BitmapErr);
    AfpBlock block;
    block.set(AfpField::Index, type);
    block.set(AfpField::Bitmap, call.get(AfpField::Bitmap));
    block.texts.emplace_back();
    return reply(session, AfpCommand::GetSrvrMsg, block);
}

} // namespace appletalk::afp::calls

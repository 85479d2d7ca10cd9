// SPDX-License-Identifier: MIT
// GetSrvrInfo, Login, LoginCont, Logout and the user calls. The methods themselves (the
// UAMs) are the login exchange's; here a session only learns how its login ended.
#include "appletalk/afp/server/AfpCalls.h"
#include "appletalk/afp/server/AfpLogText.h"
#include "appletalk/afp/server/AfpVersions.h"

#include <algorithm>

#include <unistd.h>

namespace appletalk::afp::calls {

namespace {

constexpr std::uint8_t kUserIdToName = 1, kGroupIdToName = 2, kUserNameToId = 3, kGroupNameToId = 4;
constexpr std::uint8_t kThisUser = 0x01;
constexpr std::uint16_t kUserIdBit = 0x0001, kPrimaryGroupBit = 0x0002;
constexpr std::uint16_t kGetMessage = 0x0001;
constexpr std::uint32_t kLoginMessage = 0, kServerMessage = 1;

// Records the end of a login step: logged in, refused, or waiting for LoginCont.
AfpAnswer concluded(AfpSessionState& session, std::optional<Uam> uam, LoginOutcome outcome) {
    const std::string peer = loggable(session.options().peer);
    const std::string method = uam ? std::string(" (") + std::string(uamName(*uam)) + ")" : std::string();
    if (outcome.result == static_cast<std::int32_t>(AfpResult::NoErr)) {
        session.loggedIn = true;
        session.guest = outcome.guest;
        session.user = outcome.user;
        session.continuation.reset();
        const std::string who = outcome.guest ? "guest" : "user \"" + loggable(outcome.user) + "\"";
        session.server().log(who + " logged in from " + peer + method);
    } else if (outcome.result != static_cast<std::int32_t>(AfpResult::AuthContinue)) {
        session.continuation.reset();
        session.server().log("login refused from " + peer + method);
    }
    return AfpAnswer{outcome.result, std::move(outcome.reply)};
}

} // namespace

AfpAnswer getSrvrInfo(AfpSessionState& session, const AfpCall&) {
    return answer(AfpResult::NoErr, session.server().statusBlock());
}

AfpAnswer login(AfpSessionState& session, const AfpCall& call) {
    if (session.loggedIn) return answer(AfpResult::MiscErr);
    const auto& texts = call.request.block.texts;
    if (!isSupportedAfpVersion(texts[0])) return answer(AfpResult::BadVersNum);
    const auto& policy = session.server().loginPolicy();
    const auto uam = uamFromName(texts[1]);
    const auto offered = offeredUams(policy);
    if (!uam || std::find(offered.begin(), offered.end(), uamName(*uam)) == offered.end()) {
        session.server().log("login refused from " + loggable(session.options().peer) + ": method \"" +
                             loggable(texts[1]) + "\" not offered");
        return answer(AfpResult::BadUAM);
    }
    // The UAM's data starts after the command byte and the two strings.
    const std::size_t offset = 1 + (1 + texts[0].size()) + (1 + texts[1].size());
    session.continuation.reset();
    return concluded(session, *uam,
                     LoginExchange::begin(policy, *uam, call.request.block.rest, offset, session.continuation));
}

AfpAnswer loginCont(AfpSessionState& session, const AfpCall& call) {
    if (session.loggedIn || !session.continuation) return answer(AfpResult::ParamErr);
    // Every answer ends the exchange, whatever it says.
    const auto exchange = std::move(session.continuation);
    auto outcome =
        exchange->proceed(static_cast<std::uint16_t>(call.get(AfpField::Reference)), call.request.block.rest);
    return concluded(session, std::nullopt, std::move(outcome));
}

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

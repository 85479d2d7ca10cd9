// SPDX-License-Identifier: MIT
#include "appletalk/afp/client/AfpClientSession.h"

#include "appletalk/afp/client/AfpClientText.h"
#include "appletalk/afp/client/LoginChoice.h"
#include "appletalk/afp/server/auth/Secret.h"
#include "appletalk/afp/server/auth/UamClient.h"
#include "appletalk/protocols/afp/AfpReply.h"
#include "appletalk/protocols/afp/AfpRequest.h"
#include "appletalk/protocols/afp/AfpResult.h"
#include "appletalk/protocols/afp/AfpServerParms.h"
#include "text/MacRoman.h"

#include <algorithm>

namespace appletalk::afp {

namespace {

std::vector<std::uint8_t> commandBlock(AfpCommand command, std::vector<std::string> texts = {},
                                       std::vector<std::uint8_t> rest = {}) {
    AfpRequest request{command, {}};
    request.block.texts = std::move(texts);
    request.block.rest = std::move(rest);
    return request.serialize();
}

} // namespace

bool AfpClientSession::succeeded(const AfpCallResult& result, std::string& problem) {
    if (!result.delivered) {
        problem = result.problem;
        return false;
    }
    if (result.result == static_cast<std::int32_t>(AfpResult::NoErr)) return true;
    problem = describeAfpResult(result.result);
    return false;
}

std::optional<AfpServerInfo> AfpClientSession::serverInfo(std::string& problem) {
    const auto status = transport_.status(problem);
    if (!status) return std::nullopt;
    auto info = AfpServerInfo::parse(*status);
    if (!info) problem = "the server's status block is malformed";
    return info;
}

bool AfpClientSession::login(const AfpServerInfo& server, const AfpLoginRequest& request, std::string& problem) {
    const auto version = chooseAfpVersion(server.afpVersions);
    if (!version) {
        problem = describeAfpResult(static_cast<std::int32_t>(AfpResult::BadVersNum));
        return false;
    }
    uam_ = chooseUam(server.uams, !request.user.empty(), request.cleartextAllowed);
    if (!uam_) {
        const bool onlyCleartext = !request.user.empty() && chooseUam(server.uams, true, true) == Uam::Cleartext;
        problem = onlyCleartext ? "the server takes only cleartext passwords; --allow-cleartext sends one"
                                : describeAfpResult(static_cast<std::int32_t>(AfpResult::BadUAM));
        return false;
    }
    if (!transport_.open(problem)) return false;
    if (*uam_ != Uam::NoUserAuthent) return loggedIn_ = loginNamed(*version, request, problem);
    return loggedIn_ = succeeded(
               transport_.call(commandBlock(AfpCommand::Login, {*version, std::string(uamName(*uam_))})), problem);
}

bool AfpClientSession::loginNamed(const std::string& version, const AfpLoginRequest& request, std::string& problem) {
    const auto user = vidur::text::utf8ToMacRoman(request.user);
    auto converted = vidur::text::utf8ToMacRoman(request.password);
    const Wiped<std::string> password(std::move(converted.macRoman));
    if (!user.lossless || !converted.lossless) {
        problem = "the user name or password has characters outside Mac OS Roman";
        return false;
    }
    const std::string name(uamName(*uam_));
    UamClient client(*uam_, user.macRoman, password.get());
    // The UAM data follows the command byte and the two Pascal strings.
    const auto data = client.loginData(1 + 1 + version.size() + 1 + name.size(), problem);
    if (!data) return false;
    AfpCallResult reply = transport_.call(commandBlock(AfpCommand::Login, {version, name}, *data));
    if (reply.delivered && reply.result == static_cast<std::int32_t>(AfpResult::AuthContinue)) {
        const auto continuation = client.answer(reply.reply);
        if (!continuation) {
            problem = "the server's login challenge is malformed or does not prove the server";
            return false;
        }
        AfpRequest cont{AfpCommand::LoginCont, {}};
        cont.block.set(AfpField::Reference, continuation->id);
        cont.block.rest = continuation->data;
        reply = transport_.call(cont.serialize());
    }
    if (!succeeded(reply, problem)) return false;
    if (client.serverVerified(reply.reply)) return true;
    problem = "the server could not prove it knows the password";
    return false;
}

std::optional<std::vector<AfpVolumeEntry>> AfpClientSession::volumes(std::string& problem) {
    const AfpCallResult reply = transport_.call(commandBlock(AfpCommand::GetSrvrParms));
    if (!succeeded(reply, problem)) return std::nullopt;
    const auto parms = AfpServerParms::parse(reply.reply);
    if (!parms) {
        problem = "the server's volume list is malformed";
        return std::nullopt;
    }
    std::vector<AfpVolumeEntry> entries;
    for (const auto& volume : parms->volumes)
        entries.push_back(
            {vidur::text::macRomanToUtf8(volume.name), (volume.flags & AfpServerParms::kHasPassword) != 0});
    return entries;
}

std::optional<std::string> AfpClientSession::serverMessage(std::string& problem) {
    constexpr std::uint32_t kServerMessage = 1; // not the login message
    constexpr std::uint32_t kGetMessage = 1;
    AfpRequest request{AfpCommand::GetSrvrMsg, {}};
    request.block.set(AfpField::Index, kServerMessage);
    request.block.set(AfpField::Bitmap, kGetMessage);
    const AfpCallResult reply = transport_.call(request.serialize());
    if (!succeeded(reply, problem)) return std::nullopt;
    const auto parsed = AfpReply::parse(AfpCommand::GetSrvrMsg, reply.reply);
    if (!parsed || parsed->block.texts.empty()) {
        problem = "the server's message is malformed";
        return std::nullopt;
    }
    return vidur::text::macRomanToUtf8(parsed->block.texts.front());
}

void AfpClientSession::logout() {
    // Over DSI the server ends the session after the Logout; closing after it is harmless.
    if (loggedIn_) transport_.call(commandBlock(AfpCommand::Logout));
    loggedIn_ = false;
    transport_.close();
}

} // namespace appletalk::afp

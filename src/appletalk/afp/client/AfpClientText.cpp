// SPDX-License-Identifier: MIT
#include "appletalk/afp/client/AfpClientText.h"

#include "appletalk/protocols/afp/AfpResult.h"
#include "appletalk/protocols/asp/AspFunction.h"

namespace appletalk::afp {

std::string describeAfpResult(std::int32_t result) {
    switch (static_cast<AfpResult>(result)) {
    case AfpResult::NoErr: return "no error";
    // No such user reads the same as a wrong password: the server does not tell them apart
    // either, so no one learns which names exist.
    case AfpResult::UserNotAuth: return "the user name or password is wrong";
    case AfpResult::BadUAM: return "the server offers none of the ways to log in this client knows";
    case AfpResult::BadVersNum: return "the server speaks none of the AFP versions this client knows";
    case AfpResult::AccessDenied: return "the server denied access";
    case AfpResult::ServerGoingDown: return "the server is shutting down";
    case AfpResult::SessClosed: return "the server closed the session";
    case AfpResult::NoServer: return "the server is not answering";
    case AfpResult::ParamErr: return "the server found the request malformed";
    case AfpResult::CallNotSupported: return "the server does not support this call";
    case AfpResult::PwdExpiredErr: return "the password has expired";
    default: break;
    }
    return "the server failed (AFP result " + std::to_string(result) + ")";
}

std::string describeSessionRefusal(std::int32_t aspError) {
    switch (static_cast<asp::AspError>(aspError)) {
    case asp::AspError::ServerBusy:
    case asp::AspError::TooManyClients: return "the server is busy: too many users are connected";
    case asp::AspError::BadVersNum: return "the server speaks another version of the session protocol";
    default: break;
    }
    return "the server refused the session (error " + std::to_string(aspError) + ")";
}

std::string describeAttention(std::uint16_t code) {
    const unsigned minutes = code & kAttentionMinutesMask;
    if ((code & kAttentionShutdown) != 0) {
        if (minutes == 0) return "the server is shutting down now";
        return "the server is shutting down in " + std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes");
    }
    if ((code & kAttentionCrash) != 0) return "the server is going down at once";
    if ((code & kAttentionMessage) != 0) return "the server has a message for its users";
    return "the server sent an attention (code " + std::to_string(code) + ")";
}

bool attentionIsMessageOnly(std::uint16_t code) {
    return (code & (kAttentionShutdown | kAttentionCrash)) == 0 && (code & kAttentionMessage) != 0;
}

} // namespace appletalk::afp

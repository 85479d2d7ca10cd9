// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpSession.h"

#include "appletalk/afp/server/AfpCalls.h"
#include "appletalk/afp/server/AfpLogText.h"

#include <array>

namespace appletalk::afp {

namespace {

struct CallEntry {
    AfpHandler handler = nullptr; // null: answered CallNotSupported
    bool beforeLogin = false;
};

using CallTable = std::array<CallEntry, 256>;

void add(CallTable& table, AfpCommand command, AfpHandler handler, bool beforeLogin = false) {
    table[static_cast<std::uint8_t>(command)] = CallEntry{handler, beforeLogin};
}

CallTable makeCallTable() {
    using C = AfpCommand;
    CallTable table{};
    add(table, C::GetSrvrInfo, calls::getSrvrInfo, true);
    add(table, C::Login, calls::login, true);
    add(table, C::LoginCont, calls::loginCont, true);
    add(table, C::Logout, calls::logout);
    add(table, C::MapID, calls::mapId);
    add(table, C::MapName, calls::mapName);
    add(table, C::GetUserInfo, calls::getUserInfo);
    add(table, C::GetSrvrMsg, calls::getSrvrMsg);
    add(table, C::GetSrvrParms, calls::getSrvrParms);
    add(table, C::OpenVol, calls::openVol);
    add(table, C::CloseVol, calls::closeVol);
    add(table, C::GetVolParms, calls::getVolParms);
    add(table, C::SetVolParms, calls::setVolParms);
    add(table, C::Flush, calls::flush);
    add(table, C::GetFileDirParms, calls::getFileDirParms);
    add(table, C::SetFileParms, calls::setFileDirParms);
    add(table, C::SetDirParms, calls::setFileDirParms);
    add(table, C::SetFileDirParms, calls::setFileDirParms);
    add(table, C::Enumerate, calls::enumerate);
    add(table, C::OpenDir, calls::openDir);
    add(table, C::CloseDir, calls::closeDir);
    add(table, C::CreateFile, calls::createFile);
    add(table, C::CreateDir, calls::createDir);
    add(table, C::Delete, calls::remove);
    add(table, C::Rename, calls::rename);
    add(table, C::MoveAndRename, calls::moveAndRename);
    add(table, C::OpenFork, calls::openFork);
    add(table, C::Read, calls::read);
    add(table, C::Write, calls::write);
    add(table, C::FlushFork, calls::flushFork);
    add(table, C::GetForkParms, calls::getForkParms);
    add(table, C::SetForkParms, calls::setForkParms);
    add(table, C::CloseFork, calls::closeFork);
    add(table, C::ByteRangeLock, calls::byteRangeLock);
    add(table, C::OpenDT, calls::openDt);
    add(table, C::CloseDT, calls::closeDt);
    add(table, C::AddComment, calls::addComment);
    add(table, C::RemoveComment, calls::removeComment);
    add(table, C::GetComment, calls::getComment);
    add(table, C::AddIcon, calls::addIcon);
    add(table, C::GetIcon, calls::getIcon);
    add(table, C::GetIconInfo, calls::getIconInfo);
    add(table, C::AddAPPL, calls::addAppl);
    add(table, C::RemoveAPPL, calls::removeAppl);
    add(table, C::GetAPPL, calls::getAppl);
    add(table, C::CreateID, calls::createId);
    add(table, C::ResolveID, calls::resolveId);
    add(table, C::DeleteID, calls::deleteId);
    add(table, C::CopyFile, calls::copyFile);
    add(table, C::ExchangeFiles, calls::exchangeFiles);
    return table;
}

const CallTable& callTable() {
    static const CallTable table = makeCallTable();
    return table;
}

} // namespace

AfpSession::AfpSession(std::shared_ptr<AfpServerState> server, AfpSessionOptions options)
    : state_(std::make_unique<AfpSessionState>(std::move(server), std::move(options))) {}

AfpSession::~AfpSession() {
    const auto server = state_->serverHandle(); // kept: the server may be gone already
    if (state_->loggedIn && !state_->loggedOut)
        server->log("session ended without logout: " + loggable(state_->options().peer));
    state_.reset(); // its forks and locks go before the session stops counting
    server->releaseSession();
}

AfpAnswer AfpSession::command(std::span<const std::uint8_t> request) { return dispatch(request, {}, false); }

AfpAnswer AfpSession::write(std::span<const std::uint8_t> request, std::span<const std::uint8_t> data) {
    return dispatch(request, data, true);
}

bool AfpSession::loggedIn() const { return state_->loggedIn && !state_->loggedOut; }

bool AfpSession::loggedOut() const { return state_->loggedOut; }

AfpAnswer AfpSession::dispatch(std::span<const std::uint8_t> request, std::span<const std::uint8_t> data,
                               bool isWrite) {
    if (request.empty()) return answer(AfpResult::ParamErr);
    const auto& entry = callTable()[request[0]];
    if (entry.handler == nullptr) return answer(AfpResult::CallNotSupported);
    if (state_->loggedOut) return answer(AfpResult::SessClosed);
    if (!state_->loggedIn && !entry.beforeLogin) return answer(AfpResult::UserNotAuth);
    // Write and AddIcon carry data of their own; no other command comes that way.
    const bool takesData = request[0] == static_cast<std::uint8_t>(AfpCommand::Write) ||
                           request[0] == static_cast<std::uint8_t>(AfpCommand::AddIcon);
    if (isWrite && !takesData) return answer(AfpResult::ParamErr);
    const auto parsed = AfpRequest::parse(request);
    if (!parsed) return answer(AfpResult::ParamErr);
    auto answered = entry.handler(*state_, AfpCall{*parsed, data});
    // No reply may outgrow what the transport carries for one command.
    if (answered.reply.size() > state_->options().maxReply) return answer(AfpResult::MiscErr);
    return answered;
}

} // namespace appletalk::afp

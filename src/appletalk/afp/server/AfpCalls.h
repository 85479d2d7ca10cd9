// SPDX-License-Identifier: MIT
// The handlers of the AFP calls, one file per group (login, volumes, files and folders,
// forks, desktop), and the helpers they share. Each takes the session's state and a parsed
// request and answers it; none throws, and none trusts a number the request carries.
#pragma once

#include "appletalk/afp/server/AfpPathResolver.h"
#include "appletalk/afp/server/AfpSessionState.h"
#include "appletalk/protocols/afp/AfpParameters.h"
#include "appletalk/protocols/afp/AfpReply.h"
#include "appletalk/protocols/afp/AfpRequest.h"
#include "appletalk/protocols/afp/AfpResult.h"

#include <span>

namespace appletalk::afp {

struct AfpCall {
    const AfpRequest& request;
    std::span<const std::uint8_t> data; // Write's and AddIcon's data; empty for the other calls

    std::uint32_t get(AfpField field) const { return request.block.get(field); }
};

using AfpHandler = AfpAnswer (*)(AfpSessionState&, const AfpCall&);

AfpAnswer answer(AfpResult result, std::vector<std::uint8_t> reply = {});
// The reply of fixed fields for `command`, or MiscErr when it cannot be encoded within maxReply.
AfpAnswer reply(AfpSessionState& session, AfpCommand command, const AfpBlock& block,
                AfpResult result = AfpResult::NoErr);
// A block of parameters behind a bitmap, for the replies that carry one.
AfpBlock withParameters(const AfpParameters& parameters);

// An entry a request names: the session's open volume and the path walked from its folder.
struct AfpLocated {
    AfpResult result = AfpResult::NoErr;
    AfpSharedVolume* shared = nullptr;
    AfpTarget target;
};
AfpLocated locate(AfpSessionState& session, std::uint32_t volumeId, std::uint32_t directoryId, const AfpPath& path);
// The fork-open attribute bits of a file, from every session's open forks.
std::uint16_t openForkBits(AfpSessionState& session, const AfpSharedVolume& shared, const EntryInfo& entry);

namespace calls {
// Login (AfpLoginCalls.cpp)
AfpAnswer getSrvrInfo(AfpSessionState&, const AfpCall&);
AfpAnswer login(AfpSessionState&, const AfpCall&);
AfpAnswer loginCont(AfpSessionState&, const AfpCall&);
AfpAnswer logout(AfpSessionState&, const AfpCall&);
AfpAnswer mapId(AfpSessionState&, const AfpCall&);
AfpAnswer mapName(AfpSessionState&, const AfpCall&);
AfpAnswer getUserInfo(AfpSessionState&, const AfpCall&);
AfpAnswer getSrvrMsg(AfpSessionState&, const AfpCall&);
// Volumes (AfpVolumeCalls.cpp)
AfpAnswer getSrvrParms(AfpSessionState&, const AfpCall&);
AfpAnswer openVol(AfpSessionState&, const AfpCall&);
AfpAnswer closeVol(AfpSessionState&, const AfpCall&);
AfpAnswer getVolParms(AfpSessionState&, const AfpCall&);
AfpAnswer setVolParms(AfpSessionState&, const AfpCall&);
AfpAnswer flush(AfpSessionState&, const AfpCall&);
// Files and folders (AfpFileDirCalls.cpp)
AfpAnswer getFileDirParms(AfpSessionState&, const AfpCall&);
AfpAnswer setFileDirParms(AfpSessionState&, const AfpCall&); // SetFileParms, SetDirParms too
AfpAnswer enumerate(AfpSessionState&, const AfpCall&);
AfpAnswer openDir(AfpSessionState&, const AfpCall&);
AfpAnswer closeDir(AfpSessionState&, const AfpCall&);
AfpAnswer createFile(AfpSessionState&, const AfpCall&);
AfpAnswer createDir(AfpSessionState&, const AfpCall&);
AfpAnswer remove(AfpSessionState&, const AfpCall&);
AfpAnswer rename(AfpSessionState&, const AfpCall&);
AfpAnswer moveAndRename(AfpSessionState&, const AfpCall&);
// Forks (AfpForkCalls.cpp)
AfpAnswer openFork(AfpSessionState&, const AfpCall&);
AfpAnswer read(AfpSessionState&, const AfpCall&);
AfpAnswer write(AfpSessionState&, const AfpCall&);
AfpAnswer flushFork(AfpSessionState&, const AfpCall&);
AfpAnswer getForkParms(AfpSessionState&, const AfpCall&);
AfpAnswer setForkParms(AfpSessionState&, const AfpCall&);
AfpAnswer closeFork(AfpSessionState&, const AfpCall&);
AfpAnswer byteRangeLock(AfpSessionState&, const AfpCall&);
// Desktop database (AfpDesktopCalls.cpp)
AfpAnswer openDt(AfpSessionState&, const AfpCall&);
AfpAnswer closeDt(AfpSessionState&, const AfpCall&);
AfpAnswer addComment(AfpSessionState&, const AfpCall&);
AfpAnswer removeComment(AfpSessionState&, const AfpCall&);
AfpAnswer getComment(AfpSessionState&, const AfpCall&);
AfpAnswer addIcon(AfpSessionState&, const AfpCall&);
AfpAnswer getIcon(AfpSessionState&, const AfpCall&);
AfpAnswer getIconInfo(AfpSessionState&, const AfpCall&);
AfpAnswer addAppl(AfpSessionState&, const AfpCall&);
AfpAnswer removeAppl(AfpSessionState&, const AfpCall&);
AfpAnswer getAppl(AfpSessionState&, const AfpCall&);
// File IDs, copies and exchanges (AfpFileIdCalls.cpp)
AfpAnswer createId(AfpSessionState&, const AfpCall&);
AfpAnswer resolveId(AfpSessionState&, const AfpCall&);
AfpAnswer deleteId(AfpSessionState&, const AfpCall&);
AfpAnswer copyFile(AfpSessionState&, const AfpCall&);
AfpAnswer exchangeFiles(AfpSessionState&, const AfpCall&);
} // namespace calls

} // namespace appletalk::afp

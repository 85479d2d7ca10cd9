// SPDX-License-Identifier: MIT
// The reply data of an AFP command whose reply is a short run of fixed fields (AfpBlock):
// OpenDir and CreateDir give a directory id, OpenFork a bitmap, a fork reference and the
// file parameters, and so on; calls that return nothing have an empty layout. The replies
// shaped by a bitmap keep their parameters in `block.rest` for AfpFileDirParameters or
// AfpVolumeParameters; GetSrvrInfo, GetSrvrParms and Enumerate have types of their own.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "appletalk/protocols/afp/AfpBlock.h"
#include "appletalk/protocols/afp/AfpCommand.h"

namespace appletalk::afp {

struct AfpReply {
    AfpCommand command = AfpCommand::Logout;
    AfpBlock block;

    static AfpLayout layoutOf(AfpCommand command);

    // The reply to `command`; rejects data that does not fit its layout exactly.
    static std::optional<AfpReply> parse(AfpCommand command, std::span<const std::uint8_t> bytes);
    // Nothing when a field cannot be encoded or the reply is over maxSize.
    std::optional<std::vector<std::uint8_t>> serialize(std::size_t maxSize) const;

    bool operator==(const AfpReply&) const = default;
};

} // namespace appletalk::afp

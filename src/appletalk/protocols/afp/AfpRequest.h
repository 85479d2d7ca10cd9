// SPDX-License-Identifier: MIT
// One AFP 2.x command block: the command byte and its fields, in the layout of that command
// (AfpBlock). The parameter block of SetFileParms, SetDirParms, SetFileDirParms and
// SetForkParms, and the user authentication data of Login, LoginCont and ChangePassword, stay
// as bytes in `block.rest`: their shape depends on a bitmap or on the UAM.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "appletalk/protocols/afp/AfpBlock.h"
#include "appletalk/protocols/afp/AfpCommand.h"

namespace appletalk::afp {

struct AfpRequest {
    AfpCommand command = AfpCommand::GetSrvrParms;
    AfpBlock block;

    // The fields of a command after its command byte, in wire order; empty for a command this
    // decoder does not know (CatSearch among them).
    static AfpLayout layoutOf(AfpCommand command);
    static bool isKnown(std::uint8_t command);

    // Rejects an unknown command (the server answers it with CallNotSupported), a block that
    // is short or has bytes left over, and a pathname of an unknown type.
    static std::optional<AfpRequest> parse(std::span<const std::uint8_t> bytes);
    // Empty when a field cannot be encoded.
    std::vector<std::uint8_t> serialize() const;

    bool operator==(const AfpRequest&) const = default;
};

} // namespace appletalk::afp

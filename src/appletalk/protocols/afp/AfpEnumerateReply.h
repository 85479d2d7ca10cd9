// SPDX-License-Identifier: MIT
// Enumerate's reply: the file and directory bitmaps, the count of entries, and the entries.
// Each entry is a length byte (counting itself, the flag byte and any pad), a flag byte (bit
// 7 set for a directory) and the parameters that entry's bitmap asks for, padded to an even
// length; name offsets count from the start of the entry's parameters.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "appletalk/protocols/afp/AfpParameters.h"

namespace appletalk::afp {

struct AfpEnumerateReply {
    std::uint16_t fileBitmap = 0;
    std::uint16_t directoryBitmap = 0;
    std::vector<AfpParameters> entries; // kind File or Directory, with the matching bitmap

    // Rejects an entry shorter than 2 bytes or past the end, and parameters that do not
    // parse against their bitmap.
    static std::optional<AfpEnumerateReply> parse(std::span<const std::uint8_t> bytes);
    // Nothing when an entry does not fit in 255 bytes, carries another bitmap than the
    // reply's, or the reply is over maxSize.
    std::optional<std::vector<std::uint8_t>> serialize(std::size_t maxSize) const;

    bool operator==(const AfpEnumerateReply&) const = default;
};

} // namespace appletalk::afp

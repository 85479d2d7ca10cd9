// SPDX-License-Identifier: MIT
// One NBP tuple: an entity's (or in a request, the requester's) socket address, an enumerator
// and the name as three pstrs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::nbp {

struct NbpTuple {
    std::uint16_t network = 0;
    std::uint8_t node = 0;
    std::uint8_t socket = 0;
    std::uint8_t enumerator = 0; // tells several names on one socket apart; ignored in requests
    NbpName name;

    // Bytes on the wire: 5 + three pstrs.
    std::size_t wireSize() const;

    // nullopt (reader failed) on truncation or a field over 32 bytes.
    static std::optional<NbpTuple> read(ByteReader& reader);
    // Refuses (writer failed) a field over 32 bytes.
    void write(ByteWriter& writer) const;

    bool operator==(const NbpTuple&) const = default;
};

} // namespace appletalk::nbp

// SPDX-License-Identifier: MIT
// An NBP entity name object:type@zone, in Mac OS Roman bytes. The same type carries
// registered names and lookup patterns; the wildcard rules are in NbpMatch.
#pragma once

#include <string>

namespace appletalk::nbp {

struct NbpName {
    static constexpr char kWildcard = '='; // a whole object or type: anything
    static constexpr char kPartialWildcard = '\xC5'; // Mac OS Roman 0xC5, "≈": zero or more bytes
    static constexpr char kMyZone = '*'; // zone: the sender's own

    std::string object;
    std::string type;
    std::string zone;

    // Every field fits the wire (at most 32 bytes).
    bool fitsWire() const;
    // A name an entity may register: object and type not empty, no wildcard in them.
    // The zone may be "*" (a node on LocalTalk may not know its zone).
    bool isRegistrable() const;
    // A lookup pattern: fits the wire, object and type not empty, at most one "≈" in each.
    bool isValidPattern() const;
    // The zone field means "my zone": "*" or empty.
    bool isMyZone() const { return zone.empty() || zone == std::string(1, kMyZone); }

    bool operator==(const NbpName&) const = default;
};

} // namespace appletalk::nbp

// SPDX-License-Identifier: MIT
// The printer `vidur papstatus` asks: a name NAME[:TYPE][@ZONE] (the type defaults to
// LaserWriter, the zone to "*"; no wildcards, it must name one printer) or an address
// NET.NODE:SOCKET. The stack finds a named printer itself, and tries a given address first.
#pragma once

#include "tarvlib/TarvlibRecords.h"

#include <cstdint>
#include <string>

namespace vidur::cli {

class PrinterTarget {
public:
    // A UsageError for a malformed address, a wildcard or a name part that cannot be sent.
    static PrinterTarget parse(const std::string& utf8);

    bool isAddress() const { return byAddress_; }
    // The tuple of the status request: the name (Mac OS Roman) or the address, the rest zero.
    const _NBPTuple& tuple() const { return tuple_; }
    // As the user would type it, in UTF-8.
    std::string display() const;

    static constexpr const char* kDefaultType = "LaserWriter";

private:
    _NBPTuple tuple_{};
    bool byAddress_ = false;
};

} // namespace vidur::cli

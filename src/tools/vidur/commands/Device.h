// SPDX-License-Identifier: MIT
// One entity found by a look-up, as the command shows it. Names stay in Mac OS Roman until
// they are printed, so sorting uses the NBP case fold on the bytes that travelled.
#pragma once

#include "tarvlib/TarvlibRecords.h"

#include <cstdint>
#include <string>

namespace vidur::cli {

struct Device {
    std::string object; // Mac OS Roman
    std::string type;
    std::string zone;
    std::uint16_t network = 0;
    std::uint8_t node = 0;
    std::uint8_t socket = 0;
    std::uint8_t enumerator = 0;

    static Device fromTuple(const _NBPTuple& tuple);
    // "NET.NODE:SOCKET", the form `vidur papstatus` takes.
    std::string address() const;
};

} // namespace vidur::cli

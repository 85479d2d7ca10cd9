// SPDX-License-Identifier: MIT
// Printers for the tests of the recent-printer box and the windows built on it: records by
// name, and recent entries written to a test's own "Halvora.INI" as the printer packages
// write them.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/core/PrivateProfile.h"
#include "vidur20/atalk/AppleTalk.h"

namespace printers {

// A LaserWriter in zone Sales with the given address.
inline _NBPTuple Printer(const char* object, WORD network = 0, BYTE node = 0, BYTE socket = 0) {
    _NBPTuple tuple{};
    NBPSetEntityName(&tuple.entity, object, "LaserWriter", "Sales");
    tuple.address = {network, node, socket};
    return tuple;
}

// "A:LaserWriter@Sales", as the box shows the printer.
inline std::string ItemOf(const std::string& object) { return object + ":LaserWriter@Sales"; }

// Printer1, Printer2 ... of the recent printer list, most recent first.
inline void WriteRecent(const std::vector<std::string>& objects) {
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const std::string key = "Printer" + std::to_string(i + 1);
        const std::string value = "AppleTalk PAP; 0 0 0, " + ItemOf(objects[i]);
        ASSERT_TRUE(WritePrivateProfileStringA("Recent Printer List", key.c_str(), value.c_str(), "Halvora.INI"));
    }
}

} // namespace printers

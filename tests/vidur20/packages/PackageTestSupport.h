// SPDX-License-Identifier: MIT
// Shared by the package tests: tuples, the printers' and file servers' sections, and a
// fixture with its own profile folder and a fresh fake library.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeAppleTalk.h"
#include "platform/core/PrivateProfile.h"
#include "support/TempProfileDir.h"
#include "vidur20/atalk/AppleTalk.h"

inline _NBPTuple makeTuple(const char* object, const char* type = "LaserWriter", const char* zone = "Sales",
                           WORD net = 0, BYTE node = 0, BYTE socket = 0) {
    _NBPTuple t{};
    NBPSetEntityName(&t.entity, object, type, zone);
    t.address = {net, node, socket};
    return t;
}

inline constexpr const char* kPrinters = "Recent Printer List";
inline constexpr const char* kServers = "Recent File Server List";

// The value of a key, or "<missing>".
inline std::string profileValue(const char* section, const std::string& key) {
    char buffer[512];
    GetPrivateProfileStringA(section, key.c_str(), "<missing>", buffer, sizeof buffer, "Halvora.INI");
    return buffer;
}

inline void writeValue(const char* section, const std::string& key, const std::string& value) {
    ASSERT_TRUE(WritePrivateProfileStringA(section, key.c_str(), value.c_str(), "Halvora.INI"));
}

inline std::string entry(const char* object, const char* type = "LaserWriter", const char* zone = "Sales",
                         unsigned net = 0, unsigned node = 0, unsigned socket = 0) {
    return "AppleTalk PAP; " + std::to_string(net) + " " + std::to_string(node) + " " + std::to_string(socket) + ", " +
           object + ":" + type + "@" + zone;
}

// The objects of keys Printer1 to Printer<count>, "<missing>" for an absent key.
inline std::vector<std::string> printerObjects(int count) {
    std::vector<std::string> objects;
    for (int i = 1; i <= count; ++i) {
        const std::string value = profileValue(kPrinters, "Printer" + std::to_string(i));
        _NBPTuple t{};
        objects.push_back(NBPCrackProfileString(value.c_str(), &t) == 0 ? t.entity.object : value);
    }
    return objects;
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override { fake.reset(); }
    void TearDown() override { fake.reset(); }

    TempProfileDir profile;
    FakeAppleTalk& fake = FakeAppleTalk::instance();
};

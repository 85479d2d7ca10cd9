// SPDX-License-Identifier: MIT
// NBPCrackProfileString on arbitrary profile values: it must never write outside the tuple,
// must leave every name field terminated, and whatever it accepts must read back the same
// when written again in the entry format.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tarvlib/TarvlibApi.h"

namespace {

struct Guarded {
    std::uint8_t before[16];
    _NBPTuple tuple;
    std::uint8_t after[16];
};

void require(bool condition) {
    if (!condition) std::abort();
}

bool terminated(const char* field) { return std::memchr(field, 0, NBP_NAME_FIELD_SIZE) != nullptr; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Profile values are C strings; an embedded NUL just ends the value early.
    const std::string value(reinterpret_cast<const char*>(data), size);
    Guarded g;
    std::memset(&g, 0xA5, sizeof g);
    const int result = NBPCrackProfileString(value.c_str(), &g.tuple);
    for (std::uint8_t b : g.before) require(b == 0xA5);
    for (std::uint8_t b : g.after) require(b == 0xA5);
    if (result != 0) return 0;

    const _NBPEntityName& name = g.tuple.entity;
    require(terminated(name.object) && terminated(name.type) && terminated(name.zone));
    require(name.object[0] != '\0');

    char again[256];
    std::snprintf(again, sizeof again, "%s; %u %u %u, %s:%s@%s", "AppleTalk PAP", g.tuple.address.network,
                  g.tuple.address.nodeID, g.tuple.address.socket, name.object, name.type, name.zone);
    _NBPTuple reread;
    require(NBPCrackProfileString(again, &reread) == 0);
    require(std::memcmp(&reread, &g.tuple, sizeof reread) == 0);
    return 0;
}

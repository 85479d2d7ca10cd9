// SPDX-License-Identifier: MIT
// An AFP pathname as requests carry it: a type byte (1 short names, 2 long names), a length
// byte and that many Mac OS Roman bytes. Names are separated by one zero byte; see steps()
// for what runs of zero bytes mean. AFP 3's UTF-8 paths (type 3) are refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace appletalk {
class ByteReader;
class ByteWriter;
} // namespace appletalk

namespace appletalk::afp {

enum class AfpPathType : std::uint8_t { ShortNames = 1, LongNames = 2 };

inline constexpr std::size_t kMaxLongName = 31;
inline constexpr std::size_t kMaxShortName = 12;

struct AfpPath {
    AfpPathType type = AfpPathType::LongNames;
    std::string name; // raw Mac OS Roman bytes, zero bytes included

    // One move from the directory the request names: into a child, or up to the parent.
    struct Step {
        bool toParent = false;
        std::string name; // empty when toParent

        bool operator==(const Step&) const = default;
    };
    // Runs of zero bytes: one zero separates two names; every further zero in a run (and
    // every zero of a run at the start or the end but the first) climbs to the parent. So
    // "\0a" is "a", "a\0\0b" is a, parent, b, and "\0\0" alone is the parent.
    std::vector<Step> steps() const;

    // Reads type and name; fails the reader on a short path or an unknown type.
    static AfpPath read(ByteReader& reader);
    void write(ByteWriter& writer) const; // refuses a name over 255 bytes

    bool operator==(const AfpPath&) const = default;
};

} // namespace appletalk::afp

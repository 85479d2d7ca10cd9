// SPDX-License-Identifier: MIT
// The OBJECT:TYPE@ZONE argument of a look-up, turned into the Mac OS Roman fields that NBP
// sends. Missing parts take the defaults "=", "=" and "*"; a UTF-8 "≈" becomes the Mac OS
// Roman wildcard 0xC5. The zone starts after the last "@" and the type after the last ":"
// before it, the rule of the profile strings, so names read the same everywhere.
#pragma once

#include <string>

namespace vidur::cli {

class EntityPattern {
public:
    static constexpr std::size_t kMaxFieldBytes = 32;

    // A UsageError when a part is too long, has a character Mac OS Roman lacks, has more
    // than one "≈", or when the zone is a wildcard other than "*".
    static EntityPattern parse(const std::string& utf8);

    // Mac OS Roman bytes.
    const std::string& object() const { return object_; }
    const std::string& type() const { return type_; }
    const std::string& zone() const { return zone_; }
    bool hasWildcard() const;

    // As a user would type it, in UTF-8: "=:LaserWriter@*".
    std::string display() const;

private:
    std::string object_;
    std::string type_;
    std::string zone_;
};

} // namespace vidur::cli

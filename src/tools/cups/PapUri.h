// SPDX-License-Identifier: MIT
// The device URI of an AppleTalk printer in CUPS: pap://ZONE/NAME/TYPE, each part UTF-8 and
// percent-encoded, optionally followed by ?network=ltoudp:ADDRESS&port=N&ttl=N to say which
// AppleTalk network to use (otherwise the settings say) and &timeout=SECONDS, how long a
// printer that makes no progress is waited for. A URI names one printer: NBP's wildcards
// ("=", "≈") are refused, so a job never goes to whichever printer answers first.
#pragma once

#include <optional>
#include <string>

namespace vidur::cups {

struct PapUri {
    std::string zone; // UTF-8
    std::string name;
    std::string type;
    std::string network; // "sim[:SCENARIO]" or "ltoudp[:ADDRESS]"; empty: from the settings
    std::string port; // LToUDP port; empty: from the settings
    std::string ttl;
    std::string timeout; // seconds, 0 for never; empty: the default

    // Nothing for another scheme, a missing or empty part, a bad escape, a wildcard or an
    // unknown option; `problem` then says which.
    static std::optional<PapUri> parse(const std::string& uri, std::string* problem = nullptr);
    // pap://ZONE/NAME/TYPE with every byte outside A-Z a-z 0-9 - . _ ~ escaped.
    std::string format() const;

    static std::string encode(const std::string& utf8);
    static std::optional<std::string> decode(const std::string& escaped);
};

} // namespace vidur::cups

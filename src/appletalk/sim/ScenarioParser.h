// SPDX-License-Identifier: MIT
// Reads a scenario from TOML text into a Scenario, checking every key, type and rule, and
// naming the file, line and column of the first thing that is wrong.
#pragma once

#include "appletalk/sim/Scenario.h"

#include <optional>
#include <string>
#include <string_view>

namespace appletalk::sim {

class ScenarioParser {
public:
    static std::optional<Scenario> parse(std::string_view text, const std::string& sourceName, ScenarioError& error);
};

} // namespace appletalk::sim

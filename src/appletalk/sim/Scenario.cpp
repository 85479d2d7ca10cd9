// SPDX-License-Identifier: MIT
#include "appletalk/sim/Scenario.h"

#include "appletalk/sim/ScenarioParser.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace appletalk::sim {

// Generated at build time from scenarios/builtin.toml (BuiltinScenario.cpp.in).
extern const char* const kBuiltinScenarioText;

std::string ScenarioError::describe() const {
    std::string where = file;
    if (line != 0) where += ":" + std::to_string(line) + ":" + std::to_string(column);
    return where + ": " + message;
}

std::optional<Scenario> Scenario::parse(std::string_view text, const std::string& sourceName, ScenarioError& error) {
    return ScenarioParser::parse(text, sourceName, error);
}

std::optional<Scenario> Scenario::load(const std::string& path, ScenarioError& error) {
    // A folder opens as a stream and then fails to read: said plainly, before the read.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = ScenarioError{path, 0, 0, "is a folder, not a scenario file"};
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = ScenarioError{path, 0, 0, std::string("cannot be opened (") + std::strerror(errno) + ")"};
        return std::nullopt;
    }
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) {
        error = ScenarioError{path, 0, 0, "cannot be read"};
        return std::nullopt;
    }
    return parse(content.str(), path, error);
}

std::string_view Scenario::builtinText() { return kBuiltinScenarioText; }

Scenario Scenario::builtin() {
    ScenarioError error;
    auto scenario = parse(builtinText(), "<built-in>", error);
    // The file ships inside the library and a test loads it: failing here is a build fault.
    if (!scenario) throw std::logic_error("the built-in scenario is broken: " + error.describe());
    return *scenario;
}

const ScenarioNetwork* Scenario::networkFor(std::uint16_t network) const {
    for (const auto& candidate : networks)
        if (network >= candidate.rangeStart && network <= candidate.rangeEnd) return &candidate;
    return nullptr;
}

} // namespace appletalk::sim

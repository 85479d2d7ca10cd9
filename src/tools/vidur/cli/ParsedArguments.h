// SPDX-License-Identifier: MIT
// What the command line said, once checked against the options a subcommand accepts.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vidur::cli {

class ParsedArguments {
public:
    void setOption(const std::string& name, std::string value);
    void addPositional(std::string value);

    bool has(const std::string& name) const;
    std::optional<std::string> value(const std::string& name) const;
    const std::vector<std::string>& positionals() const { return positionals_; }

    // The option's whole-number value in [min, max], or `fallback` when it was not given;
    // anything else is a UsageError naming the option.
    long integer(const std::string& name, long fallback, long min, long max) const;
    // A duration in seconds ("2", "0.5") in (0, max], or `fallback` when not given.
    double seconds(const std::string& name, double fallback, double max) const;

private:
    std::map<std::string, std::string> options_;
    std::vector<std::string> positionals_;
};

} // namespace vidur::cli

// SPDX-License-Identifier: MIT
// Bad usage of the command line: the message is shown on one line and the exit status is 2.
#pragma once

#include <stdexcept>
#include <string>

namespace vidur::cli {

class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace vidur::cli

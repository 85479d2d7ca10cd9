// SPDX-License-Identifier: MIT
// Passwords and keys are wiped from memory as soon as they are done with, so a core file or a
// reused heap block does not keep them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <string.h>

namespace appletalk::afp {

inline void wipe(std::span<std::uint8_t> bytes) {
    if (!bytes.empty()) ::explicit_bzero(bytes.data(), bytes.size());
}
inline void wipe(std::string& text) {
    if (!text.empty()) ::explicit_bzero(text.data(), text.size());
    text.clear();
}
inline void wipe(std::vector<std::uint8_t>& bytes) {
    wipe(std::span<std::uint8_t>(bytes));
    bytes.clear();
}

// Wipes what it holds when it goes; the only way to keep a password in a member.
template <typename Buffer>
class Wiped {
public:
    Wiped() = default;
    explicit Wiped(Buffer value) : value_(std::move(value)) {}
    Wiped(const Wiped&) = delete;
    Wiped& operator=(const Wiped&) = delete;
    ~Wiped() { wipe(value_); }
    Buffer& get() { return value_; }
    const Buffer& get() const { return value_; }

private:
    Buffer value_;
};

} // namespace appletalk::afp

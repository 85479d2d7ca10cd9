// Bytes written as in the capture tables: hex pairs separated by spaces, and quoted text
// ('LToUDP Zone') for the characters of a string, e.g. "0b 'LaserWriter' 01 2a".
#pragma once

#include "appletalk/node/link/Link.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace appletalk::testing {

inline std::vector<std::uint8_t> wireBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == ' ' || c == '|') {
            ++i;
        } else if (c == '\'') {
            const std::size_t end = text.find('\'', i + 1);
            if (end == std::string_view::npos) throw std::invalid_argument("unterminated text");
            for (std::size_t j = i + 1; j < end; ++j) bytes.push_back(static_cast<std::uint8_t>(text[j]));
            i = end + 1;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
            i += 2;
        }
    }
    return bytes;
}

inline std::vector<std::uint8_t> concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A bare endpoint that records every frame it hears, to see exactly what went on the wire.
class FrameRecorder {
public:
    explicit FrameRecorder(Link& link) : link_(link) {
        link_.attach([this](std::span<const std::uint8_t> frame) { frames.emplace_back(frame.begin(), frame.end()); },
                     [] {});
    }
    ~FrameRecorder() { link_.detach(); }
    FrameRecorder(const FrameRecorder&) = delete;
    FrameRecorder& operator=(const FrameRecorder&) = delete;

    const std::vector<std::vector<std::uint8_t>>& collect() {
        link_.poll();
        return frames;
    }

    std::vector<std::vector<std::uint8_t>> frames;

private:
    Link& link_;
};

} // namespace appletalk::testing

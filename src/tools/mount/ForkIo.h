// SPDX-License-Identifier: MIT
// What an open file's buffers need of the volume: reads and writes of a fork by its reference,
// and the transport's unit. The volume client answers it; the tests give a fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vidur::mount {

class ForkIo {
public:
    virtual ~ForkIo() = default;
    // 0 or an errno value; `got` short only at the fork's end.
    virtual int read(std::uint16_t reference, std::uint64_t offset, std::span<std::uint8_t> into,
                     std::size_t& got) = 0;
    virtual int write(std::uint16_t reference, std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
    virtual std::size_t transferUnit() const = 0;
};

} // namespace vidur::mount

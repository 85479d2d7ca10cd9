// Reads and writes the fields of a _DispatchBlock by their offsets. The result field is
// written by the library's thread after the reply fields, with release ordering, so it is
// read here with acquire ordering before anything else in the reply.
#pragma once

#include "appletalk/api/TarvlibRecords.h"

#include <cstdint>
#include <string>

namespace vidur::cli {

class DispatchBlockView {
public:
    explicit DispatchBlockView(_DispatchBlock& block) : block_(block) {}

    std::int32_t result() const;
    // Command, and the fields every caller clears before a dispatch.
    void prepare(std::uint32_t command);

    std::uint8_t u8(std::size_t offset) const;
    std::uint16_t u16(std::size_t offset) const;
    std::uint32_t u32(std::size_t offset) const;
    void setU32(std::size_t offset, std::uint32_t value);
    // The NUL-terminated text at `offset`, at most `size` bytes.
    std::string text(std::size_t offset, std::size_t size) const;
    _NBPTuple tuple(std::size_t offset) const;
    void setTuple(std::size_t offset, const _NBPTuple& tuple);

private:
    unsigned char* bytes() const { return reinterpret_cast<unsigned char*>(&block_); }

    _DispatchBlock& block_;
};

} // namespace vidur::cli

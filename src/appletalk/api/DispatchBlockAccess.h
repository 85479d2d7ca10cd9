// Reading and writing the fields of a caller's _DispatchBlock at their byte offsets. The
// integers are little-endian. The result field is the one the caller polls from its own
// thread: the stack stores it with release ordering after every other field of the reply,
// and the caller loads it with acquire, so a result of 0 guarantees a complete reply.
#pragma once

#include "appletalk/api/TarvlibRecords.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace appletalk::api {

class DispatchBlockAccess {
public:
    static std::int32_t loadResult(const _DispatchBlock& block);
    static void publishResult(_DispatchBlock& block, std::int32_t result);

    static std::uint16_t readU16(const _DispatchBlock& block, std::size_t offset);
    static std::uint32_t readU32(const _DispatchBlock& block, std::size_t offset);
    static void writeU8(_DispatchBlock& block, std::size_t offset, std::uint8_t value);
    static void writeU16(_DispatchBlock& block, std::size_t offset, std::uint16_t value);
    static void writeU32(_DispatchBlock& block, std::size_t offset, std::uint32_t value);

    // Text cut to fit `size` bytes with its terminator; returns the characters written.
    static std::size_t writeText(_DispatchBlock& block, std::size_t offset, std::size_t size, std::string_view text);

    static _NBPTuple readTuple(const _DispatchBlock& block, std::size_t offset);
    static void writeTuple(_DispatchBlock& block, std::size_t offset, const _NBPTuple& tuple);
};

} // namespace appletalk::api

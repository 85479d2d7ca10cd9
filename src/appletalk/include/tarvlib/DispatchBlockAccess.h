// SPDX-License-Identifier: MIT
// Reading and writing the fields of a _DispatchBlock at their byte offsets: the stack fills
// in replies with it and callers read them with it. The integers are little-endian. The
// result field is the one the caller polls from its own thread: the stack stores it with
// release ordering after every other field of the reply, and the caller loads it with
// acquire, so a result of 0 guarantees a complete reply.
#pragma once

#include "tarvlib/TarvlibRecords.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace appletalk::api {

class DispatchBlockAccess {
public:
    static std::int32_t loadResult(const _DispatchBlock& block) {
        // atomic_ref needs a non-const object; loading does not change it.
        auto& field = const_cast<std::int32_t&>(block.result);
        return std::atomic_ref<std::int32_t>(field).load(std::memory_order_acquire);
    }
    static void publishResult(_DispatchBlock& block, std::int32_t result) {
        std::atomic_ref<std::int32_t>(block.result).store(result, std::memory_order_release);
    }

    // The caller's part before a dispatch: the command, and the fields it always clears.
    static void prepareRequest(_DispatchBlock& block, std::uint32_t command) {
        block.command = command;
        block.cleared36 = 0;
        block.cleared44 = 0;
    }

    static std::uint8_t readU8(const _DispatchBlock& block, std::size_t offset) { return bytes(block)[offset]; }
    static std::uint16_t readU16(const _DispatchBlock& block, std::size_t offset) {
        const std::uint8_t* p = bytes(block) + offset;
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    }
    static std::uint32_t readU32(const _DispatchBlock& block, std::size_t offset) {
        const std::uint8_t* p = bytes(block) + offset;
        return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
               (std::uint32_t{p[3]} << 24);
    }
    static void writeU8(_DispatchBlock& block, std::size_t offset, std::uint8_t value) { bytes(block)[offset] = value; }
    static void writeU16(_DispatchBlock& block, std::size_t offset, std::uint16_t value) {
        std::uint8_t* p = bytes(block) + offset;
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>(value >> 8);
    }
    static void writeU32(_DispatchBlock& block, std::size_t offset, std::uint32_t value) {
        std::uint8_t* p = bytes(block) + offset;
        for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    // The text at `offset` up to its terminator, never more than `size` bytes.
    static std::string readText(const _DispatchBlock& block, std::size_t offset, std::size_t size) {
        const char* start = reinterpret_cast<const char*>(bytes(block) + offset);
        return std::string(start, ::strnlen(start, size));
    }
    // Text cut to fit `size` bytes with its terminator; returns the characters written.
    static std::size_t writeText(_DispatchBlock& block, std::size_t offset, std::size_t size, std::string_view text) {
        if (size == 0) return 0;
        // A NUL inside the text would end it early for the reader anyway.
        text = text.substr(0, text.find('\0'));
        const std::size_t length = text.size() < size - 1 ? text.size() : size - 1;
        std::memcpy(bytes(block) + offset, text.data(), length);
        bytes(block)[offset + length] = 0;
        return length;
    }

    static _NBPTuple readTuple(const _DispatchBlock& block, std::size_t offset) {
        _NBPTuple tuple;
        std::memcpy(&tuple, bytes(block) + offset, sizeof tuple);
        return tuple;
    }
    static void writeTuple(_DispatchBlock& block, std::size_t offset, const _NBPTuple& tuple) {
        std::memcpy(bytes(block) + offset, &tuple, sizeof tuple);
    }

private:
    static std::uint8_t* bytes(_DispatchBlock& block) { return reinterpret_cast<std::uint8_t*>(&block); }
    static const std::uint8_t* bytes(const _DispatchBlock& block) {
        return reinterpret_cast<const std::uint8_t*>(&block);
    }
};

} // namespace appletalk::api

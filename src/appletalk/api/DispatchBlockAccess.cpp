#include "appletalk/api/DispatchBlockAccess.h"

#include <atomic>
#include <cstring>

namespace appletalk::api {

namespace {

std::uint8_t* bytes(_DispatchBlock& block) { return reinterpret_cast<std::uint8_t*>(&block); }
const std::uint8_t* bytes(const _DispatchBlock& block) { return reinterpret_cast<const std::uint8_t*>(&block); }

} // namespace

std::int32_t DispatchBlockAccess::loadResult(const _DispatchBlock& block) {
    // atomic_ref needs a non-const object; loading does not change it.
    auto& field = const_cast<std::int32_t&>(block.result);
    return std::atomic_ref<std::int32_t>(field).load(std::memory_order_acquire);
}

void DispatchBlockAccess::publishResult(_DispatchBlock& block, std::int32_t result) {
    std::atomic_ref<std::int32_t>(block.result).store(result, std::memory_order_release);
}

std::uint16_t DispatchBlockAccess::readU16(const _DispatchBlock& block, std::size_t offset) {
    const std::uint8_t* p = bytes(block) + offset;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t DispatchBlockAccess::readU32(const _DispatchBlock& block, std::size_t offset) {
    const std::uint8_t* p = bytes(block) + offset;
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

void DispatchBlockAccess::writeU8(_DispatchBlock& block, std::size_t offset, std::uint8_t value) {
    bytes(block)[offset] = value;
}

void DispatchBlockAccess::writeU16(_DispatchBlock& block, std::size_t offset, std::uint16_t value) {
    std::uint8_t* p = bytes(block) + offset;
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void DispatchBlockAccess::writeU32(_DispatchBlock& block, std::size_t offset, std::uint32_t value) {
    std::uint8_t* p = bytes(block) + offset;
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::size_t DispatchBlockAccess::writeText(_DispatchBlock& block, std::size_t offset, std::size_t size,
                                           std::string_view text) {
    if (size == 0) return 0;
    // A NUL inside the text would end it early for the reader anyway.
    text = text.substr(0, text.find('\0'));
    const std::size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(bytes(block) + offset, text.data(), length);
    bytes(block)[offset + length] = 0;
    return length;
}

_NBPTuple DispatchBlockAccess::readTuple(const _DispatchBlock& block, std::size_t offset) {
    _NBPTuple tuple;
    std::memcpy(&tuple, bytes(block) + offset, sizeof tuple);
    return tuple;
}

void DispatchBlockAccess::writeTuple(_DispatchBlock& block, std::size_t offset, const _NBPTuple& tuple) {
    std::memcpy(bytes(block) + offset, &tuple, sizeof tuple);
}

} // namespace appletalk::api

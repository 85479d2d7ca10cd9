#include "tools/vidur/DispatchBlockView.h"

#include <atomic>
#include <cstring>

namespace vidur::cli {

std::int32_t DispatchBlockView::result() const {
    return std::atomic_ref<std::int32_t>(block_.result).load(std::memory_order_acquire);
}

void DispatchBlockView::prepare(std::uint32_t command) {
    block_.command = command;
    block_.cleared36 = 0;
    block_.cleared44 = 0;
}

std::uint8_t DispatchBlockView::u8(std::size_t offset) const { return bytes()[offset]; }

std::uint16_t DispatchBlockView::u16(std::size_t offset) const {
    return static_cast<std::uint16_t>(bytes()[offset] | bytes()[offset + 1] << 8);
}

std::uint32_t DispatchBlockView::u32(std::size_t offset) const {
    return static_cast<std::uint32_t>(u16(offset)) | static_cast<std::uint32_t>(u16(offset + 2)) << 16;
}

void DispatchBlockView::setU32(std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes()[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

std::string DispatchBlockView::text(std::size_t offset, std::size_t size) const {
    const char* start = reinterpret_cast<const char*>(bytes() + offset);
    return std::string(start, strnlen(start, size));
}

_NBPTuple DispatchBlockView::tuple(std::size_t offset) const {
    _NBPTuple value;
    std::memcpy(&value, bytes() + offset, sizeof value);
    return value;
}

void DispatchBlockView::setTuple(std::size_t offset, const _NBPTuple& tuple) {
    std::memcpy(bytes() + offset, &tuple, sizeof tuple);
}

} // namespace vidur::cli

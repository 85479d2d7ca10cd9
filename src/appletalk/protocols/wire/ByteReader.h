// SPDX-License-Identifier: MIT
// Bounds-checked big-endian reader over one packet. The first read that would run past the
// end (or a Pascal string longer than allowed) puts the reader in a failed state; later reads
// return zeros, so a parser checks ok() once at the end instead of after every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace appletalk {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    // True when every byte was consumed and nothing failed: parsers reject trailing bytes.
    bool atEnd() const { return ok_ && position_ == bytes_.size(); }
    std::size_t remaining() const { return ok_ ? bytes_.size() - position_ : 0; }
    // The next `count` bytes without consuming them; empty when fewer remain.
    std::span<const std::uint8_t> peek(std::size_t count) const;

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::span<const std::uint8_t> take(std::size_t count);
    std::span<const std::uint8_t> rest();
    void skip(std::size_t count) { take(count); }
    // A length byte and that many bytes; fails when the length exceeds maxLength.
    std::string pstr(std::size_t maxLength);
    void fail() { ok_ = false; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

} // namespace appletalk

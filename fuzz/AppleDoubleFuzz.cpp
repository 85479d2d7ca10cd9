// SPDX-License-Identifier: MIT
// An AppleDouble metadata record as read from an extended attribute or a "._" file: reading
// never fails hard, and what was read writes back to a record that reads the same.
#include "appletalk/afp/volume/AppleDouble.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "apple_double: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace appletalk::afp;
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto header = AppleDoubleHeader::parse(bytes, size)) {
        for (const auto& entry : header->entries)
            require(std::uint64_t{entry.offset} + entry.length <= size, "an entry past the end");
    }
    const auto metadata = parseMetadata(bytes, size);
    if (!metadata) return 0;
    require(metadata->comment.size() <= MacMetadata::kMaxCommentBytes, "a comment too long");
    require(parseMetadata(serializeMetadata(*metadata)) == *metadata, "written back, it reads otherwise");
    return 0;
}

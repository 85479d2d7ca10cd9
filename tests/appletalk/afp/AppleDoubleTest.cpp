// SPDX-License-Identifier: MIT
#include "appletalk/afp/volume/AppleDouble.h"

#include <gtest/gtest.h>

namespace appletalk::afp {
namespace {

MacMetadata sample() {
    MacMetadata metadata;
    const std::string typeCreator = "TEXTttxt";
    std::copy(typeCreator.begin(), typeCreator.end(), metadata.finderInfo.begin());
    metadata.comment = "A comment";
    metadata.created = -86400;
    metadata.modified = 700000000;
    metadata.attributes = 0x0001;
    metadata.id = 4242;
    metadata.device = 0x0102030405060708;
    metadata.inode = 99;
    metadata.stamp = {1, 2, 3, 4, 5, 6, 7, 8};
    return metadata;
}

TEST(AppleDouble, MetadataRecordHasTheLinuxLayoutAndReadsBack) {
    const auto bytes = serializeMetadata(sample());
    ASSERT_EQ(bytes.size(), 402u);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x05);
    EXPECT_EQ(bytes[2], 0x16);
    EXPECT_EQ(bytes[3], 0x07);
    EXPECT_EQ(bytes[25], 8) << "eight entries";
    EXPECT_EQ(bytes[122], 'T') << "Finder info right after the table";
    EXPECT_EQ(parseMetadata(bytes), sample());

    const auto head = serializeSidecarHead(sample(), 0);
    ASSERT_EQ(head.size(), kSidecarHeadBytes);
    EXPECT_EQ(parseMetadata(head), sample());
    EXPECT_TRUE(isSidecarLayout(*AppleDoubleHeader::parse(head, head.size())));
}

TEST(AppleDouble, ForeignFilesAreReadByTheirTableAndBadOnesRefused) {
    // Another program's "._" file: Finder info at offset 50, then a 3-byte resource fork.
    AppleDoubleHeader header;
    header.entries = {{9, 50, 32}, {2, 82, 3}};
    auto bytes = header.serialize();
    bytes.resize(85, 0);
    bytes[50] = 'A';
    const auto metadata = parseMetadata(bytes);
    ASSERT_TRUE(metadata);
    EXPECT_EQ(metadata->finderInfo[0], 'A');
    EXPECT_EQ(metadata->id, 0u);
    EXPECT_FALSE(isSidecarLayout(header));

    EXPECT_FALSE(parseMetadata(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 84)))
        << "an entry past the end";
    bytes[3] = 0x00; // AppleSingle's magic is 0x00051600
    EXPECT_FALSE(parseMetadata(bytes));
    EXPECT_FALSE(parseMetadata(std::vector<std::uint8_t>(20, 0)));
}

} // namespace
} // namespace appletalk::afp

// SPDX-License-Identifier: MIT
// An open file's read-ahead and write-behind against a fork kept in memory that counts the
// calls: what reaches the fork is what was written, in whole units, and an error of a held
// write surfaces once.
#include "tools/mount/OpenFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <numeric>

namespace vidur::mount {
namespace {

constexpr std::size_t kUnit = 100;
constexpr std::size_t kWindow = 400;

class MemoryFork final : public ForkIo {
public:
    int read(std::uint16_t, std::uint64_t offset, std::span<std::uint8_t> into, std::size_t& got) override {
        readSizes.push_back(into.size());
        got = offset >= bytes.size() ? 0 : std::min(into.size(), bytes.size() - offset);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), got, into.begin());
        return 0;
    }
    int write(std::uint16_t, std::uint64_t offset, std::span<const std::uint8_t> data) override {
        writeSizes.push_back(data.size());
        if (failWrites != 0) return failWrites;
        if (bytes.size() < offset + data.size()) bytes.resize(offset + data.size());
        std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        return 0;
    }
    std::size_t transferUnit() const override { return kUnit; }

    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> readSizes;
    std::vector<std::size_t> writeSizes;
    int failWrites = 0;
};

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t first = 0) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

TEST(OpenFile, SequentialReadsFetchAheadInWholeUnitsAndJumpsFetchOnlyWhatIsAsked) {
    MemoryFork fork;
    fork.bytes = pattern(1050);
    OpenFile file(fork, 1, kWindow);
    std::vector<std::uint8_t> all;
    std::vector<std::uint8_t> piece(30);
    std::size_t got = 0;
    do {
        ASSERT_EQ(file.read(all.size(), piece, got), 0);
        all.insert(all.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(got));
    } while (got == piece.size());
    EXPECT_EQ(all, fork.bytes);
    // 1050 bytes in windows of 400: three fetches, the last one short at the end.
    EXPECT_EQ(fork.readSizes, (std::vector<std::size_t>{kWindow, kWindow, kWindow}));

    // A jump elsewhere reads exactly what is asked there.
    std::vector<std::uint8_t> two(2);
    ASSERT_EQ(file.read(7, two, got), 0);
    EXPECT_EQ(fork.readSizes.back(), 2u);
    // What follows on is fetched ahead; a write drops it, and is sent before the next read.
    ASSERT_EQ(file.read(9, two, got), 0);
    EXPECT_EQ(fork.readSizes.back(), kWindow);
    const std::vector<std::uint8_t> changed{0xAA, 0xBB};
    ASSERT_EQ(file.write(11, changed), 0);
    ASSERT_EQ(file.read(11, two, got), 0);
    EXPECT_EQ(two, changed);
}

TEST(OpenFile, WritesGoOutInWholeUnitsAndAJumpOrAFlushSendsWhatIsHeld) {
    MemoryFork fork;
    OpenFile file(fork, 1, kWindow);
    const std::vector<std::uint8_t> data = pattern(1000, 3);
    for (std::size_t at = 0; at < 900; at += 60)
        ASSERT_EQ(file.write(at, std::span(data).subspan(at, std::min<std::size_t>(60, 900 - at))), 0);
    for (const std::size_t size : fork.writeSizes) EXPECT_EQ(size % kUnit, 0u) << size;
    // Elsewhere: what is held goes first, whatever its size.
    ASSERT_EQ(file.write(950, std::span(data).subspan(950, 50)), 0);
    ASSERT_EQ(file.sendHeld(), 0);
    ASSERT_EQ(fork.bytes.size(), 1000u);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 900, fork.bytes.begin()));
    EXPECT_TRUE(std::equal(data.begin() + 950, data.end(), fork.bytes.begin() + 950));
    EXPECT_FALSE(file.holdsWrites());
}

TEST(OpenFile, AHeldWriteThatFailsIsReportedOnceByTheNextWriteOrFlush) {
    MemoryFork fork;
    fork.bytes = pattern(50);
    OpenFile file(fork, 1, kWindow);
    const std::vector<std::uint8_t> data(10, 1);
    ASSERT_EQ(file.write(0, data), 0); // held
    fork.failWrites = ENOSPC;
    std::vector<std::uint8_t> into(5);
    std::size_t got = 0;
    // The read sends the held write, which fails; the read itself is fine.
    EXPECT_EQ(file.read(20, into, got), 0);
    EXPECT_EQ(got, 5u);
    fork.failWrites = 0;
    EXPECT_EQ(file.write(10, data), ENOSPC);
    EXPECT_EQ(file.sendHeld(), 0);

    ASSERT_EQ(file.write(0, data), 0);
    fork.failWrites = EIO;
    EXPECT_EQ(file.sendHeld(), EIO);
    EXPECT_EQ(file.sendHeld(), 0);
}

} // namespace
} // namespace vidur::mount

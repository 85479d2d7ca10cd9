// SPDX-License-Identifier: MIT
#include "vidur20/packages/ZDevicePackage.h"

#include <cstring>
#include <string>

#include "PackageTestSupport.h"
#include "vidur20/packages/LookupNoCase.h"
#include "vidur20/packages/ZAFPServerPackage.h"
#include "vidur20/packages/ZLaserWriterPackage.h"

namespace {

// A package whose kind never initialised it.
class UninitialisedPackage : public ZDevicePackage {
public:
    int SelectDevice(const _NBPTuple*, CWnd*) override { return 0; }
    int ReservedOperation(DWORD, DWORD) override { return 1; }
};

using RecentList = PackageTest;

} // namespace

TEST_F(RecentList, APackageWhoseKindNeverInitialisedItAnswersEmpty) {
    writeValue(kPrinters, "Printer1", entry("Laser"));
    UninitialisedPackage p;
    EXPECT_EQ(p.IsValid(), 0);
    EXPECT_TRUE(p.GetCategory().IsEmpty());
    EXPECT_TRUE(p.GetNBPType().IsEmpty());
    EXPECT_TRUE(p.GetTypeName().IsEmpty());
    EXPECT_TRUE(p.GetPrompt().IsEmpty());
    EXPECT_EQ(p.GetIconID(), 0);
    EXPECT_EQ(p.GetSavedSelection(), nullptr);
}

TEST_F(RecentList, ReadingRefusesANullRecordOrAnIndexBelowOne) {
    writeValue(kPrinters, "Printer1", entry("Laser"));
    ZLaserWriterPackage p;
    _NBPTuple t = makeTuple("untouched");
    EXPECT_EQ(p.ReadRecentEntry(&t, 0), 0);
    EXPECT_EQ(p.ReadRecentEntry(&t, -1), 0);
    EXPECT_EQ(p.ReadRecentEntry(nullptr, 1), 0);
    EXPECT_STREQ(t.entity.object, "untouched");
    EXPECT_EQ(p.ReadRecentEntry(&t, 1), 1);
    EXPECT_STREQ(t.entity.object, "Laser");
}

TEST_F(RecentList, AnEmptyOrMissingOrUnreadableValueIsAnAbsentEntry) {
    writeValue(kPrinters, "Printer1", "");
    writeValue(kPrinters, "Printer3", "AppleTalk PAP; 1 2");
    ZLaserWriterPackage p;
    _NBPTuple t{};
    EXPECT_EQ(p.ReadRecentEntry(&t, 1), 0);
    EXPECT_EQ(p.ReadRecentEntry(&t, 2), 0);
    EXPECT_EQ(p.ReadRecentEntry(&t, 3), 0);
    EXPECT_EQ(p.GetSavedSelection(), nullptr);
}

// Leading zeros keep a value readable at any length, so the 255-character cut shows: one
// character more and the zone loses its last letter; far more and the names are gone.
TEST_F(RecentList, AValueIsCutToItsFirst255CharactersBeforeItIsParsed) {
    ZLaserWriterPackage p;
    const std::string tail = "1 2 3, Laser:LaserWriter@Sales";
    const std::string head = "AppleTalk PAP; ";
    const struct {
        std::size_t length;
        int read;
        const char* zone;
    } rows[] = {{254, 1, "Sales"}, {255, 1, "Sales"}, {256, 1, "Sale"}, {300, 0, ""}};
    for (const auto& row : rows) {
        const std::string value = head + std::string(row.length - head.size() - tail.size(), '0') + tail;
        writeValue(kPrinters, "Printer1", value);
        _NBPTuple t{};
        EXPECT_EQ(p.ReadRecentEntry(&t, 1), row.read) << row.length;
        EXPECT_STREQ(t.entity.zone, row.zone) << row.length;
    }
}

TEST_F(RecentList, WritesTheAddressAlwaysAndTheTagInEverySection) {
    ZLaserWriterPackage printers;
    ZAFPServerPackage servers;
    const _NBPTuple laser = makeTuple("Laser 2", "LaserWriter", "Sales", 4096, 12, 129);
    const _NBPTuple server = makeTuple("Files", "AFPServer", "Sales");
    EXPECT_NE(printers.WriteRecentEntry(&laser, 1), 0);
    EXPECT_NE(servers.WriteRecentEntry(&server, 1), 0);
    EXPECT_EQ(profileValue(kPrinters, "Printer1"), "AppleTalk PAP; 4096 12 129, Laser 2:LaserWriter@Sales");
    EXPECT_EQ(profileValue(kServers, "File Server1"), "AppleTalk PAP; 0 0 0, Files:AFPServer@Sales");
}

TEST_F(RecentList, WritingNullRemovesTheKeySoItReadsAsAbsent) {
    ZLaserWriterPackage p;
    const _NBPTuple laser = makeTuple("Laser");
    p.WriteRecentEntry(&laser, 2);
    EXPECT_NE(p.WriteRecentEntry(nullptr, 2), 0);
    EXPECT_EQ(profileValue(kPrinters, "Printer2"), "<missing>");
    _NBPTuple t{};
    EXPECT_EQ(p.ReadRecentEntry(&t, 2), 0);
}

TEST_F(RecentList, WritesNoMoreThanTheFieldOfARecordWithoutTerminators) {
    ZLaserWriterPackage p;
    _NBPTuple t{};
    std::memset(&t.entity, 'N', sizeof t.entity);
    p.WriteRecentEntry(&t, 1);
    const std::string n33(33, 'N');
    EXPECT_EQ(profileValue(kPrinters, "Printer1"), "AppleTalk PAP; 0 0 0, " + n33 + ":" + n33 + "@" + n33);
    _NBPTuple back{};
    EXPECT_EQ(p.ReadRecentEntry(&back, 1), 1) << "a cut entry still reads back";
}

TEST(LookupNoCase, FindsAKeyWrittenInAnotherCase) {
    CMapStringToPtr map;
    int laser = 0, image = 0;
    map.SetAt("LaserWriter", &laser);
    map.SetAt("ImageWriter", &image);
    void* found = nullptr;
    EXPECT_EQ(LookupNoCase(map, "laserwriter", found), 1);
    EXPECT_EQ(found, &laser);
    EXPECT_EQ(LookupNoCase(map, "IMAGEWRITER", found), 1);
    EXPECT_EQ(found, &image);
}

TEST(LookupNoCase, LeavesTheResultAloneWhenNothingMatches) {
    CMapStringToPtr map;
    int sentinel = 0;
    void* found = &sentinel;
    EXPECT_EQ(LookupNoCase(map, "LaserWriter", found), 0) << "empty map";
    map.SetAt("LaserWriter", nullptr);
    EXPECT_EQ(LookupNoCase(map, "LaserWriter ", found), 0);
    EXPECT_EQ(LookupNoCase(map, "Laser", found), 0);
    EXPECT_EQ(found, &sentinel);
}

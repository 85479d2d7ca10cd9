// SPDX-License-Identifier: MIT
#include "vidur20/mru/ZMRUPrinterList.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeAppleTalk.h"
#include "platform/core/PrivateProfile.h"
#include "support/TempProfileDir.h"
#include "vidur20/packages/ZImageWriterPackage.h"
#include "vidur20/packages/ZLaserWriterPackage.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

constexpr const char* kPrinters = "Recent Printer List";

std::string entry(const std::string& object, unsigned net = 0, unsigned node = 0, unsigned socket = 0) {
    return "AppleTalk PAP; " + std::to_string(net) + " " + std::to_string(node) + " " + std::to_string(socket) + ", " +
           object + ":LaserWriter@Sales";
}

_NBPTuple makeTuple(const char* object, const char* type, const char* zone, WORD net, BYTE node, BYTE socket) {
    _NBPTuple t{};
    NBPSetEntityName(&t.entity, object, type, zone);
    t.address = {net, node, socket};
    return t;
}

std::vector<std::string> objects(const ZMRUPrinterList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.GetSize(); ++i) out.emplace_back(list.GetTuple(i)->GetObjectA());
    return out;
}

class RecentPrinters : public ::testing::Test {
protected:
    void SetUp() override { FakeAppleTalk::instance().reset(); }
    void TearDown() override { FakeAppleTalk::instance().reset(); }

    // Keys Printer1.. from values; "-" leaves the key out.
    void writeKeys(const std::vector<std::string>& values) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (values[i] == "-") continue;
            ASSERT_TRUE(WritePrivateProfileStringA(kPrinters, ("Printer" + std::to_string(i + 1)).c_str(),
                                                   values[i].c_str(), "Halvora.INI"));
        }
    }

    TempProfileDir profile;
};

} // namespace

TEST_F(RecentPrinters, NoFileGivesAnEmptyList) {
    const ZMRUPrinterList list;
    EXPECT_EQ(list.GetSize(), 0);
}

TEST_F(RecentPrinters, AFileThatCannotBeReadGivesAnEmptyList) {
    std::filesystem::create_directory(profile.path() / "Halvora.INI");
    const ZMRUPrinterList list;
    EXPECT_EQ(list.GetSize(), 0);
}

// The section before ("-" leaves a key out) and the objects loaded.
struct LoadRow {
    const char* what;
    std::vector<std::string> keys;
    std::vector<std::string> loaded;
};

void PrintTo(const LoadRow& row, std::ostream* os) { *os << row.what; }

class Loading : public RecentPrinters, public ::testing::WithParamInterface<LoadRow> {};

TEST_P(Loading, ReadsKeysInOrderUntilTheFirstAbsentOneAndAtMostFour) {
    writeKeys(GetParam().keys);
    const ZMRUPrinterList list;
    EXPECT_THAT(objects(list), ElementsAreArray(GetParam().loaded));
}

INSTANTIATE_TEST_SUITE_P(
    Sections, Loading,
    ::testing::Values(
        LoadRow{"a missing third key ends the list", {entry("A"), entry("B"), "-", entry("D")}, {"A", "B"}},
        LoadRow{"a duplicate is dropped and loading goes on", {entry("A"), entry("a"), entry("C")}, {"A", "C"}},
        LoadRow{"a fifth key is never read",
                {entry("A"), entry("B"), entry("C"), entry("D"), entry("E")},
                {"A", "B", "C", "D"}},
        LoadRow{"an unparseable second key ends the list", {entry("A"), "garbage", entry("C"), entry("D")}, {"A"}},
        LoadRow{"an empty first key gives nothing", {"", entry("B")}, {}}));

TEST_F(RecentPrinters, LoadsEveryEntryWithTheAddressZero) {
    writeKeys({entry("A", 12, 34, 56)});
    const ZMRUPrinterList list;
    ASSERT_EQ(list.GetSize(), 1);
    _NBPTuple t{};
    ASSERT_EQ(list.GetTuple(0)->GetNBPTuple(&t), 1);
    EXPECT_EQ(t.address.network, 0);
    EXPECT_EQ(t.address.nodeID, 0);
    EXPECT_EQ(t.address.socket, 0);
    EXPECT_EQ(t.enumerator, 0);
    EXPECT_STREQ(t.entity.type, "LaserWriter");
    EXPECT_STREQ(t.entity.zone, "Sales");
}

// What the Chooser writes is what the recent printer list and the packages read back, for
// names with Mac OS Roman accented letters (e-acute 0x8E, u-umlaut 0x9F) and with the
// separators ':' and '@' in the object.
TEST_F(RecentPrinters, AFileWrittenBySelectDeviceReadsBackThroughTheListAndThePackages) {
    const _NBPTuple chosen[] = {
        makeTuple("Caf\x8E Printer", "LaserWriter", "Z\x9Frich", 4096, 12, 129),
        makeTuple("Lab: 2nd floor", "ImageWriter", "Sales", 1, 2, 3),
        makeTuple("ops@north:east", "LaserWriter", "Bldg:3", 65535, 255, 254),
    };
    {
        ZLaserWriterPackage laser("LaserWriter");
        ZImageWriterPackage image;
        ASSERT_EQ(laser.SelectDevice(&chosen[0], nullptr), 1);
        ASSERT_EQ(image.SelectDevice(&chosen[1], nullptr), 1);
        ASSERT_EQ(laser.SelectDevice(&chosen[2], nullptr), 1);
    }
    // On disk the names are UTF-8.
    EXPECT_THAT(profile.fileText("Halvora.INI"), HasSubstr("Caf\xC3\xA9 Printer:LaserWriter@Z\xC3\xBCrich"));

    const ZMRUPrinterList list;
    ASSERT_EQ(list.GetSize(), 3);
    const int order[] = {2, 1, 0}; // newest first
    for (int i = 0; i < 3; ++i) {
        const _NBPTuple& want = chosen[order[i]];
        const ZNBPTuple* got = list.GetTuple(i);
        EXPECT_EQ(std::string(got->GetObjectA()), want.entity.object);
        EXPECT_EQ(std::string(got->GetType()), want.entity.type);
        EXPECT_EQ(std::string(got->GetZone()), want.entity.zone);
    }

    ZLaserWriterPackage reader("LaserWriter");
    for (int i = 0; i < 3; ++i) {
        const _NBPTuple& want = chosen[order[i]];
        _NBPTuple got{};
        ASSERT_EQ(reader.ReadRecentEntry(&got, i + 1), 1);
        EXPECT_STREQ(got.entity.object, want.entity.object);
        EXPECT_STREQ(got.entity.type, want.entity.type);
        EXPECT_STREQ(got.entity.zone, want.entity.zone);
        EXPECT_EQ(got.address.network, want.address.network) << "the packages keep the address";
        EXPECT_EQ(got.address.nodeID, want.address.nodeID);
        EXPECT_EQ(got.address.socket, want.address.socket);
    }
}

TEST_F(RecentPrinters, HasTheArraysRunTimeClassAndDeletesItsEntries) {
    writeKeys({entry("A"), entry("B")});
    auto* list = new ZMRUPrinterList;
    EXPECT_EQ(list->GetRuntimeClass(), RUNTIME_CLASS(CObArray));
    EXPECT_EQ(list->GetSize(), 2);
    delete list; // the sanitizer reports a leak if the entries stayed
}

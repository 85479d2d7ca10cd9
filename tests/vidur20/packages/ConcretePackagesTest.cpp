// SPDX-License-Identifier: MIT
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/file.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include "PackageTestSupport.h"
#include "text/ProfileStorage.h"
#include "vidur20/packages/ZAFPServerPackage.h"
#include "vidur20/packages/ZGenericWriterPackage.h"
#include "vidur20/packages/ZImageWriterLQPackage.h"
#include "vidur20/packages/ZImageWriterPackage.h"
#include "vidur20/packages/ZLaserWriterPackage.h"

using vidur::text::ProfileStorage;

using ::testing::ElementsAre;

namespace {

using Factory = std::function<std::unique_ptr<ZDevicePackage>(const char*)>;

struct KindRow {
    const char* className;
    Factory make;
    const char* nbpType;
    const char* category;
    int iconID;
    const char* prompt;
};

void PrintTo(const KindRow& row, std::ostream* os) { *os << row.className; }

template <typename T>
Factory factory() {
    return [](const char* type) { return std::make_unique<T>(type); };
}

const KindRow kKinds[] = {
    {"ZLaserWriterPackage", factory<ZLaserWriterPackage>(), "LaserWriter", "Printer", 234, "Choose a LaserWriter:"},
    {"ZImageWriterPackage", factory<ZImageWriterPackage>(), "ImageWriter", "Printer", 235, "Choose an ImageWriter:"},
    {"ZImageWriterLQPackage", factory<ZImageWriterLQPackage>(), "LQ", "Printer", 246, "Choose an ImageWriter LQ:"},
    {"ZAFPServerPackage", factory<ZAFPServerPackage>(), "AFPServer", "File Server", 233, "Choose a File Server:"},
};

class EachKind : public PackageTest, public ::testing::WithParamInterface<KindRow> {};

} // namespace

TEST_P(EachKind, SetsItsConstantsAndShowsItsNBPTypeInTheTypeBox) {
    const KindRow& row = GetParam();
    auto p = row.make(nullptr);
    EXPECT_EQ(p->IsValid(), 1);
    EXPECT_EQ(std::string(p->GetNBPType()), row.nbpType);
    EXPECT_EQ(std::string(p->GetTypeName()), row.nbpType);
    EXPECT_EQ(std::string(p->GetCategory()), row.category);
    EXPECT_EQ(p->GetIconID(), row.iconID);
    EXPECT_EQ(std::string(p->GetPrompt()), row.prompt);
    EXPECT_EQ(p->ReservedOperation(7, 9), 1);
    EXPECT_EQ(p->GetSavedSelection(), nullptr) << "no recent list yet";
}

TEST_P(EachKind, CarriesItsOwnRunTimeClassDerivedFromThePackageBase) {
    const KindRow& row = GetParam();
    auto p = row.make(nullptr);
    const CRuntimeClass* rc = p->GetRuntimeClass();
    EXPECT_STREQ(rc->m_lpszClassName, row.className);
    EXPECT_EQ(rc->m_pBaseClass, RUNTIME_CLASS(ZDevicePackage));
    EXPECT_EQ(rc->m_pfnCreateObject, nullptr);
    EXPECT_EQ(rc->m_wSchema, 0xFFFFu);
    EXPECT_TRUE(p->IsKindOf(RUNTIME_CLASS(ZDevicePackage)));
}

TEST_P(EachKind, AGivenNBPTypeReplacesTheTypeButNotTheTypeBoxText) {
    const KindRow& row = GetParam();
    auto p = row.make("Custom");
    EXPECT_EQ(std::string(p->GetNBPType()), "Custom");
    EXPECT_EQ(std::string(p->GetTypeName()), row.nbpType);
}

INSTANTIATE_TEST_SUITE_P(Packages, EachKind, ::testing::ValuesIn(kKinds));

TEST(ZGenericWriterPackage, HasOnlyItsRunTimeClass) {
    const CRuntimeClass* rc = RUNTIME_CLASS(ZGenericWriterPackage);
    EXPECT_STREQ(rc->m_lpszClassName, "ZGenericWriterPackage");
    EXPECT_EQ(rc->m_pBaseClass, RUNTIME_CLASS(ZDevicePackage));
    EXPECT_EQ(rc->m_pfnCreateObject, nullptr);
    EXPECT_TRUE(std::is_abstract_v<ZGenericWriterPackage>);
}

using Selection = PackageTest;

TEST_F(Selection, InitialisationKeepsEntryOneAndALaterChoiceLeavesItAsRead) {
    writeValue(kPrinters, "Printer1", entry("Old", "ImageWriter", "North", 5, 6, 7));
    ZLaserWriterPackage p("LaserWriter");
    ASSERT_NE(p.GetSavedSelection(), nullptr);
    EXPECT_STREQ(p.GetSavedSelection()->entity.object, "Old") << "a printer of another type is kept too";
    EXPECT_EQ(p.GetSavedSelection()->address.socket, 7);
    const _NBPTuple laser = makeTuple("Laser 1");
    ASSERT_EQ(p.SelectDevice(&laser, nullptr), 1);
    EXPECT_STREQ(p.GetSavedSelection()->entity.object, "Old");
}

// The default printer is written once the list is on disk: a process killed between the two
// writes leaves a default that the list holds.
TEST_F(Selection, TheFirstPrinterWritesOnlyPrinter1AndThenBecomesTheDefault) {
    ZLaserWriterPackage p("LaserWriter");
    const _NBPTuple laser = makeTuple("Laser 1", "LaserWriter", "Sales", 4096, 12, 129);
    int defaultsBeforeTheList = -1;
    ProfileStorage::setBeforeRenameHook([&](const std::filesystem::path&) {
        defaultsBeforeTheList = fake.callCount("PAPSetDefaultPrinter");
        return true;
    });
    ASSERT_EQ(p.SelectDevice(&laser, nullptr), 1);
    ProfileStorage::setBeforeRenameHook({});
    EXPECT_EQ(defaultsBeforeTheList, 0);
    EXPECT_EQ(profileValue(kPrinters, "Printer1"), "AppleTalk PAP; 4096 12 129, Laser 1:LaserWriter@Sales");
    EXPECT_EQ(profileValue(kPrinters, "Printer2"), "<missing>");
    ASSERT_TRUE(fake.defaultPrinter().has_value());
    EXPECT_STREQ(fake.defaultPrinter()->entity.object, "Laser 1");
}

// The list before, the choice, the keys 1 to 5 after.
struct ReorderRow {
    const char* what;
    std::vector<std::string> before; // "" leaves the key out
    const char* chosen;
    std::vector<std::string> after;
};

void PrintTo(const ReorderRow& row, std::ostream* os) { *os << row.what; }

class Reorder : public PackageTest, public ::testing::WithParamInterface<ReorderRow> {};

TEST_P(Reorder, PutsTheChoiceFirstAndKeepsTheOthersInOrderWithoutIt) {
    const ReorderRow& row = GetParam();
    for (std::size_t i = 0; i < row.before.size(); ++i)
        if (!row.before[i].empty())
            writeValue(kPrinters, "Printer" + std::to_string(i + 1), entry(row.before[i].c_str()));
    ZLaserWriterPackage p("LaserWriter");
    const _NBPTuple chosen = makeTuple(row.chosen);
    ASSERT_EQ(p.SelectDevice(&chosen, nullptr), 1);
    EXPECT_EQ(printerObjects(5), row.after);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, Reorder,
    ::testing::Values(
        ReorderRow{
            "known moves up, the fifth key stays", {"A", "B", "C", "D", "Old"}, "C", {"C", "A", "B", "D", "Old"}},
        ReorderRow{"new pushes all down to a fifth key", {"A", "B", "C", "D"}, "E", {"E", "A", "B", "C", "D"}},
        ReorderRow{"a gap ends the reading", {"A", "", "C"}, "E", {"E", "A", "C", "<missing>", "<missing>"}},
        ReorderRow{"the same name in another case", {"A", "B"}, "b", {"b", "A", "<missing>", "<missing>", "<missing>"}},
        ReorderRow{"the head chosen again", {"A", "B"}, "A", {"A", "B", "<missing>", "<missing>", "<missing>"}}));

TEST_F(Selection, ANameThatCannotBeStoredOrAFailedWriteLeavesTheListExactlyAsItWas) {
    const char* const names[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) writeValue(kPrinters, "Printer" + std::to_string(i + 1), entry(names[i]));
    const std::string before = profile.fileText("Halvora.INI");
    ZLaserWriterPackage p("LaserWriter");
    for (const _NBPTuple& refused :
         {makeTuple("Line\rbreak"), makeTuple("Feed\n"), makeTuple("X", "LaserWriter", "Lab@North")}) {
        EXPECT_EQ(p.SelectDevice(&refused, nullptr), 1) << refused.entity.object; // taken, not stored
        EXPECT_EQ(profile.fileText("Halvora.INI"), before) << refused.entity.object;
    }
    // The profile's lock held elsewhere: the write fails whole.
    ProfileStorage::setLockWait(std::chrono::milliseconds(20));
    const int holder = ::open((profile.path() / ".halvora.ini.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const _NBPTuple fine = makeTuple("E");
    EXPECT_EQ(p.SelectDevice(&fine, nullptr), 1);
    ::close(holder);
    ProfileStorage::setLockWait(std::chrono::milliseconds(2000));
    EXPECT_EQ(profile.fileText("Halvora.INI"), before);
}

TEST_F(Selection, AZoneEndingInABlankReadsBackWholeAndIsNeverListedTwice) {
    writeValue(kPrinters, "Printer1", entry("A"));
    ZLaserWriterPackage p("LaserWriter");
    const _NBPTuple blank = makeTuple("Laser", "LaserWriter", "Zone ");
    ASSERT_EQ(p.SelectDevice(&blank, nullptr), 1);
    EXPECT_NE(profile.fileText("Halvora.INI").find("Printer1=\"AppleTalk PAP; 0 0 0, Laser:LaserWriter@Zone \"\n"),
              std::string::npos)
        << profile.fileText("Halvora.INI");
    ASSERT_EQ(p.SelectDevice(&blank, nullptr), 1);
    _NBPTuple first{};
    ASSERT_EQ(p.ReadRecentEntry(&first, 1), 1);
    EXPECT_STREQ(first.entity.zone, "Zone ");
    EXPECT_EQ(printerObjects(3), (std::vector<std::string>{"Laser", "A", "<missing>"}));
}

TEST_F(Selection, KeepsTheAddressThatEachEntryCarries) {
    writeValue(kPrinters, "Printer1", entry("A", "LaserWriter", "Sales", 1, 2, 3));
    ZLaserWriterPackage p("LaserWriter");
    const _NBPTuple chosen = makeTuple("B", "LaserWriter", "Sales", 7, 8, 9);
    p.SelectDevice(&chosen, nullptr);
    EXPECT_EQ(profileValue(kPrinters, "Printer1"), entry("B", "LaserWriter", "Sales", 7, 8, 9));
    EXPECT_EQ(profileValue(kPrinters, "Printer2"), entry("A", "LaserWriter", "Sales", 1, 2, 3));
}

TEST_F(Selection, ALaserWriterInSmallLettersIsTakenAnImageWriterIsNot) {
    ZLaserWriterPackage p("LaserWriter");
    const _NBPTuple small = makeTuple("Laser", "laserwriter");
    EXPECT_EQ(p.SelectDevice(&small, nullptr), 1);
    fake.clearCalls();
    const std::string before = profile.fileText("Halvora.INI");
    const _NBPTuple other = makeTuple("Dots", "ImageWriter");
    EXPECT_EQ(p.SelectDevice(&other, nullptr), 0);
    EXPECT_EQ(profile.fileText("Halvora.INI"), before);
    EXPECT_EQ(fake.callCount("PAPSetDefaultPrinter"), 0);
}

TEST_F(Selection, RefusesANullChoiceAndAnEmptyObjectWithoutTouchingAnything) {
    ZLaserWriterPackage p("LaserWriter");
    const _NBPTuple noObject = makeTuple("", "LaserWriter");
    EXPECT_EQ(p.SelectDevice(nullptr, nullptr), 0);
    EXPECT_EQ(p.SelectDevice(&noObject, nullptr), 0);
    EXPECT_EQ(profile.fileText("Halvora.INI"), "");
    EXPECT_EQ(fake.callCount("PAPSetDefaultPrinter"), 0);
}

TEST_F(Selection, AFileServerGoesToItsOwnSectionAndLeavesTheDefaultPrinter) {
    ZAFPServerPackage p;
    const _NBPTuple server = makeTuple("Files", "AFPServer");
    ASSERT_EQ(p.SelectDevice(&server, nullptr), 1);
    EXPECT_EQ(profileValue(kServers, "File Server1"), entry("Files", "AFPServer"));
    EXPECT_EQ(profileValue(kPrinters, "Printer1"), "<missing>");
    EXPECT_EQ(fake.callCount("PAPSetDefaultPrinter"), 0);
}

TEST_F(Selection, AnImageWriterGoesAheadOfEarlierLaserWritersInTheSharedList) {
    writeValue(kPrinters, "Printer1", entry("Laser", "LaserWriter"));
    ZImageWriterPackage p;
    const _NBPTuple dots = makeTuple("Dots", "ImageWriter");
    ASSERT_EQ(p.SelectDevice(&dots, nullptr), 1);
    EXPECT_THAT(printerObjects(3), ElementsAre("Dots", "Laser", "<missing>"));
    EXPECT_STREQ(fake.defaultPrinter()->entity.object, "Dots");
}

TEST_F(Selection, AFailingDefaultPrinterOrProfileWriteStillReportsTheChoiceTaken) {
    fake.setSetDefaultPrinterResult(-1);
    ZLaserWriterPackage p("LaserWriter");
    const _NBPTuple laser = makeTuple("Laser");
    EXPECT_EQ(p.SelectDevice(&laser, nullptr), 1);
    EXPECT_EQ(profileValue(kPrinters, "Printer1"), entry("Laser"));
}

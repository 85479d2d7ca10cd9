// SPDX-License-Identifier: MIT
// How the Chooser ends: OK, Enter and a double click hand the selected device to the package
// of its type and keep it for the caller; Cancel hands nothing. Which packages the flags and
// the library's PostScript check offer. A device name holding a tab still reaches its
// package and the caller byte for byte.
#include "ChooserTestSupport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "text/ProfileStorage.h"

namespace choosertest {
namespace {

using vidur::text::ProfileStorage;

using ChooserChoiceTest = ChooserTest;

bool AllZero(const _NBPTuple& tuple) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&tuple);
    return std::all_of(bytes, bytes + sizeof tuple, [](unsigned char b) { return b == 0; });
}

TEST_F(ChooserChoiceTest, OkEnterAndDoubleClickHandTheSelectedDeviceToItsPackage) {
    enum class How { Ok, Enter, DoubleClick };
    const struct {
        const char* what;
        How how;
        int item;
    } rows[] = {{"OK on the first item", How::Ok, 0}, {"Enter", How::Enter, 0}, {"double click", How::DoubleClick, 1}};
    for (const auto& row : rows) {
        TempProfileDir rowProfile;
        fake.reset();
        fake.setPostScriptDefault(1);
        ScriptNetwork({Device("Laser 2", "LaserWriter", 4096, 12, 129), Device("Annex", "LaserWriter", 10, 11, 12)});
        Chooser chooser(ZChooserDialog::kOfferPrinters);
        const int result = Run(chooser, [&](Chooser& c) {
            c.Tick();
            c.Tick();
            switch (row.how) {
            case How::Ok: EXPECT_TRUE(UiDriver::ClickButton(c, IDOK)); break;
            case How::Enter: UiDriver::PressKey(c, UiDriver::Key::Enter); break;
            case How::DoubleClick: EXPECT_TRUE(UiDriver::DoubleClickListItem(c.DeviceList(), row.item)); break;
            }
        });
        ASSERT_EQ(result, IDOK) << row.what;
        const _NBPTuple expected = row.item == 0 ? Device("Annex", "LaserWriter", 10, 11, 12, "Sales")
                                                 : Device("Laser 2", "LaserWriter", 4096, 12, 129, "Sales");
        _NBPTuple want = expected;
        want.enumerator = 0;
        EXPECT_EQ(std::memcmp(&chooser.GetChosenTuple(), &want, sizeof want), 0) << row.what;
        const auto defaults = fake.setDefaultPrinterCalls();
        ASSERT_EQ(defaults.size(), 1u) << row.what;
        EXPECT_EQ(std::memcmp(&defaults[0], &want, sizeof want), 0) << row.what;
        const std::string ini = rowProfile.fileText("Halvora.INI");
        const std::string entry = row.item == 0 ? "Printer1=AppleTalk PAP; 10 11 12, Annex:LaserWriter@Sales"
                                                : "Printer1=AppleTalk PAP; 4096 12 129, Laser 2:LaserWriter@Sales";
        EXPECT_NE(ini.find(entry), std::string::npos) << row.what << "\n" << ini;
    }
}

TEST_F(ChooserChoiceTest, CancelAfterSelectingHandsNothingOn) {
    fake.setPostScriptDefault(1);
    ScriptNetwork({Device("Laser 2", "LaserWriter", 4096, 12, 129)});
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    const int result = Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
        ASSERT_EQ(c.DeviceList().GetCurSel(), 0);
        EXPECT_TRUE(UiDriver::ClickButton(c, IDCANCEL));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(AllZero(chooser.GetChosenTuple()));
    EXPECT_TRUE(fake.setDefaultPrinterCalls().empty());
    EXPECT_EQ(profile.fileText("Halvora.INI"), "");
}

TEST_F(ChooserChoiceTest, OkWithoutASelectedDeviceEndsWithOkAndAnAllZeroTuple) {
    fake.setPostScriptDefault(1);
    ScriptNetwork({});
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    const int result = Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
        EXPECT_TRUE(UiDriver::ClickButton(c, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(AllZero(chooser.GetChosenTuple()));
    EXPECT_TRUE(fake.setDefaultPrinterCalls().empty());
    EXPECT_EQ(profile.fileText("Halvora.INI"), "");
}

TEST_F(ChooserChoiceTest, FlagsAndThePostScriptCheckDecideTheOfferedTypes) {
    const struct {
        int flags;
        int rejectedPostScript; // 0 none, else the type the library refuses
        const char* refused;
        std::vector<std::string> types;
        const char* selected;
        const char* prompt;
        int postScriptAsks;
    } rows[] = {
        {0, 0, "", {}, "(none)", "Choose a device:", 0},
        {1, 0, "", {"ImageWriter", "LQ", "LaserWriter"}, "LaserWriter", "Choose a LaserWriter:", 3},
        {1, 1, "ImageWriter", {"LQ", "LaserWriter"}, "LaserWriter", "Choose a LaserWriter:", 3},
        {1, 1, "LaserWriter", {"ImageWriter", "LQ"}, "ImageWriter", "Choose an ImageWriter:", 3},
        {2, 0, "", {"AFPServer"}, "AFPServer", "Choose a File Server:", 0},
        {3, 0, "", {"AFPServer", "ImageWriter", "LQ", "LaserWriter"}, "LaserWriter", "Choose a LaserWriter:", 3},
        {4, 0, "", {}, "(none)", "Choose a device:", 0},
    };
    for (const auto& row : rows) {
        const std::string what = "flags " + std::to_string(row.flags) + " refusing '" + row.refused + "'";
        fake.reset();
        fake.setPostScriptDefault(1);
        if (row.rejectedPostScript) fake.setPostScriptType(row.refused, 0);
        ScriptNetwork({});
        Chooser chooser(row.flags);
        std::string selected;
        Run(chooser, [&](Chooser& c) {
            EXPECT_EQ(c.Types(), row.types) << what;
            char text[80];
            const int length = static_cast<ZIconComboBox&>(c.TypeBox()).GetCurSelText(text);
            selected = length < 0 ? "(none)" : text;
            c.Tick();
            EXPECT_EQ(c.Prompt(), row.prompt) << what;
        });
        EXPECT_EQ(selected, row.selected) << what;
        const std::string type = row.types.empty() ? "=" : row.selected;
        EXPECT_EQ(LookupEntity(0), "=:" + type + "@Sales") << what;
        EXPECT_EQ(fake.callCount("IsPostScriptPrinterType"), row.postScriptAsks) << what;
    }
}

TEST_F(ChooserChoiceTest, OkWithNoPackageForTheDevicesTypeStillEndsWithTheDevice) {
    ScriptNetwork({Device("Mac", "Macintosh", 5, 6, 7)});
    Chooser chooser(0);
    const int result = Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
        EXPECT_TRUE(UiDriver::ClickButton(c, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(chooser.GetChosenTuple().entity.object, "Mac");
    EXPECT_STREQ(chooser.GetChosenTuple().entity.zone, "Sales");
    EXPECT_EQ(profile.fileText("Halvora.INI"), "");
}

// A zone holding '@' cannot be kept in the recent list; a held lock keeps the list from being
// written. Either way the printer is the default printer, and the stop message says why.
TEST_F(ChooserChoiceTest, AChoiceTheListCannotKeepIsStillTheDefaultAndTheStopMessageSaysWhy) {
    const struct {
        const char* what;
        const char* zone;
        bool lockHeld;
        const char* message;
    } rows[] = {{"name cannot be kept", "Lab@North", false, "its name cannot be kept"},
                {"list cannot be written", "Sales", true, "could not be written"}};
    for (const auto& row : rows) {
        TempProfileDir rowProfile;
        fake.reset();
        boxes.shown.clear();
        fake.setPostScriptDefault(1);
        ScriptNetwork({Device("Laser", "LaserWriter", 1, 2, 3)}, {row.zone});
        fake.setMyZone(0, row.zone);
        ProfileStorage::setLockWait(std::chrono::milliseconds(20));
        const int holder =
            ::open((rowProfile.path() / ".halvora.ini.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (row.lockHeld) {
            ASSERT_EQ(::flock(holder, LOCK_EX), 0);
        }
        Chooser chooser(ZChooserDialog::kOfferPrinters);
        const int result = Run(chooser, [&](Chooser& c) {
            c.Tick();
            c.Tick();
            EXPECT_TRUE(UiDriver::ClickButton(c, IDOK));
        });
        ::close(holder);
        ProfileStorage::setLockWait(std::chrono::milliseconds(2000));
        ASSERT_EQ(result, IDOK) << row.what;
        EXPECT_FALSE(chooser.ChoiceRecorded()) << row.what;
        ASSERT_EQ(boxes.shown.size(), 1u) << row.what;
        EXPECT_NE(boxes.shown[0].text.find(row.message), std::string::npos) << row.what;
        EXPECT_EQ(boxes.shown[0].type, MB_OK | MB_ICONSTOP) << row.what;
        const auto defaults = fake.setDefaultPrinterCalls();
        ASSERT_EQ(defaults.size(), 1u) << row.what;
        EXPECT_STREQ(defaults[0].entity.zone, row.zone) << row.what;
        EXPECT_EQ(rowProfile.fileText("Halvora.INI"), "") << row.what;
    }
}

// PostScript types that name none of the built-in packages: the type box is empty, the
// look-up asks for any type, and a printer of such a type is recorded like a LaserWriter, or
// the stop message says why it cannot be (':' in its type).
TEST_F(ChooserChoiceTest, APrinterOfATypeOnlyThePostScriptTypesNameIsRecordedOrTheStopMessageSaysWhy) {
    const struct {
        const char* type;
        bool recorded;
    } rows[] = {{"Phaser", true}, {"Laser:Writer", false}};
    for (const auto& row : rows) {
        TempProfileDir rowProfile;
        fake.reset();
        boxes.shown.clear();
        fake.setPostScriptType(row.type, 1);
        ScriptNetwork({Device("Office", row.type, 1, 2, 3)});
        Chooser chooser(ZChooserDialog::kOfferPrinters);
        const int result = Run(chooser, [&](Chooser& c) {
            EXPECT_TRUE(c.Types().empty()) << row.type;
            c.Tick();
            c.Tick();
            EXPECT_TRUE(UiDriver::ClickButton(c, IDOK));
        });
        ASSERT_EQ(result, IDOK) << row.type;
        EXPECT_EQ(chooser.ChoiceRecorded(), row.recorded) << row.type;
        const auto defaults = fake.setDefaultPrinterCalls();
        ASSERT_EQ(defaults.size(), 1u) << row.type;
        EXPECT_STREQ(defaults[0].entity.type, row.type);
        const std::string entry = std::string("Printer1=AppleTalk PAP; 1 2 3, Office:") + row.type + "@Sales";
        EXPECT_EQ(rowProfile.fileText("Halvora.INI").find(entry) != std::string::npos, row.recorded) << row.type;
        ASSERT_EQ(boxes.shown.size(), row.recorded ? 0u : 1u) << row.type;
        if (!row.recorded) {
            EXPECT_EQ(boxes.shown[0].type, MB_OK | MB_ICONSTOP);
        }
    }
}

// The item text "Desk\tImageWriter\tLaserWriter\t..." read back at its tabs would name the
// device "Desk" of type "ImageWriter" and hand it to the wrong package.
TEST_F(ChooserChoiceTest, DeviceNameHoldingATabReachesItsPackageAndTheCallerAsFound) {
    fake.setPostScriptDefault(1);
    ScriptNetwork({Device("Desk\tImageWriter", "LaserWriter", 77, 88, 99)});
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    const int result = Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
        EXPECT_EQ(c.Items(), std::vector<std::string>{"Desk\tImageWriter\tLaserWriter\t77 88 99"});
        EXPECT_TRUE(UiDriver::ClickButton(c, IDOK));
    });
    ASSERT_EQ(result, IDOK);
    const _NBPTuple& chosen = chooser.GetChosenTuple();
    EXPECT_STREQ(chosen.entity.object, "Desk\tImageWriter");
    EXPECT_STREQ(chosen.entity.type, "LaserWriter");
    EXPECT_EQ(chosen.address.network, 77);
    EXPECT_EQ(chosen.address.nodeID, 88);
    EXPECT_EQ(chosen.address.socket, 99);
    const auto defaults = fake.setDefaultPrinterCalls();
    ASSERT_EQ(defaults.size(), 1u) << "the LaserWriter package took it";
    EXPECT_EQ(std::memcmp(&defaults[0], &chosen, sizeof chosen), 0);
}

TEST_F(ChooserChoiceTest, NameFieldWithoutItsTerminatorIsCutAtItsLastByte) {
    fake.setPostScriptDefault(1);
    _NBPTuple unterminated = Device("", "LaserWriter", 1, 2, 3);
    std::memset(unterminated.entity.object, 'A', sizeof unterminated.entity.object);
    ScriptNetwork({unterminated});
    Chooser chooser(ZChooserDialog::kOfferPrinters);
    const int result = Run(chooser, [&](Chooser& c) {
        c.Tick();
        c.Tick();
        EXPECT_EQ(c.Items(), std::vector<std::string>{std::string(33, 'A') + "\tLaserWriter\t1 2 3"});
        EXPECT_TRUE(UiDriver::ClickButton(c, IDOK));
    });
    ASSERT_EQ(result, IDOK);
    EXPECT_EQ(std::string(chooser.GetChosenTuple().entity.object), std::string(33, 'A'));
    EXPECT_STREQ(chooser.GetChosenTuple().entity.type, "LaserWriter");
}

TEST(ChooserDeviceItemTest, ItemTextReadsBackIntoNameTypeAndAddress) {
    const struct {
        const char* text;
        const char* object;
        const char* type;
        unsigned network, node, socket;
    } rows[] = {
        {"Office\tLaserWriter\t300 56 130", "Office", "LaserWriter", 300, 56, 130},
        {"Edge\tLQ\t65535 255 255", "Edge", "LQ", 65535, 255, 255},
        {"\tAFPServer\t0 0 0", "", "AFPServer", 0, 0, 0},
        {"No tabs at all", "No tabs at all", "", 0, 0, 0},
        {"One\ttab only", "One", "tab only", 0, 0, 0},
        {"A name longer than thirty-three characters\tType\t1 2 3", "A name longer than thirty-three c", "Type", 1, 2,
         3},
    };
    for (const auto& row : rows) {
        Chooser chooser(0);
        _NBPTuple tuple = Device("old", "old", 9, 9, 9, "Zone");
        chooser.ParseDeviceItem(row.text, &tuple);
        EXPECT_STREQ(tuple.entity.object, row.object) << row.text;
        EXPECT_STREQ(tuple.entity.type, row.type) << row.text;
        EXPECT_EQ(tuple.address.network, row.network) << row.text;
        EXPECT_EQ(tuple.address.nodeID, row.node) << row.text;
        EXPECT_EQ(tuple.address.socket, row.socket) << row.text;
        EXPECT_EQ(tuple.enumerator, 0) << row.text;
        EXPECT_STREQ(tuple.entity.zone, "Zone") << row.text << ": the zone is OnOK's";
    }
}

} // namespace
} // namespace choosertest

// SPDX-License-Identifier: MIT
// The recent-printer box: one item per list entry in list order, the library's default
// printer added when new and selected, and the selected printer handed back whole.
#include "vidur20/mru/ZMRUPrinterBox.h"

#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeAppleTalk.h"
#include "RecentPrinterFixtures.h"
#include "platform/resources/ResourceChain.h"
#include "platform/resources/WindowStyles.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/UiDriver.h"
#include "support/TempProfileDir.h"

using namespace printers;

namespace {

constexpr UINT kHostDialog = 9301;
constexpr UINT kPlainBox = 100;
constexpr UINT kSortedBox = 101;

constexpr DialogItemTemplate kHostItems[] = {
    {kPlainBox, kClassComboBox, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 5, 15, 200, 55},
    {kSortedBox, kClassComboBox, "", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 5, 35, 200, 55},
};
constexpr DialogTemplate kHostDialogs[] = {{kHostDialog, kLangEnglishUS, DS_MODALFRAME | WS_POPUP | WS_CAPTION, 0, 0,
                                            220, 80, "Host", "MS Sans Serif", 8, kHostItems}};
const ResourceModule kHostModule{"printer box tests", kHostDialogs, {}, {}};

class PrinterBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeAppleTalk::instance().reset();
        ResourceChain::instance().addModule(kHostModule);
        ASSERT_TRUE(host.Create(kHostDialog));
    }
    void TearDown() override {
        box.reset(); // its window goes with the host's
        if (host.m_hWnd) host.DestroyWindow();
        ResourceChain::instance().removeModule(kHostModule);
        FakeAppleTalk::instance().reset();
    }

    // A box made after the profile is written (it reads it once, when constructed) and
    // attached to one of the host's controls.
    ZMRUPrinterBox& AttachBox(UINT control = kPlainBox) {
        box = std::make_unique<ZMRUPrinterBox>();
        EXPECT_TRUE(box->SubclassDlgItem(control, &host));
        return *box;
    }

    std::vector<std::string> Items() const {
        std::vector<std::string> items;
        for (int i = 0; i < box->GetCount(); ++i) {
            CString text;
            box->GetLBText(i, text);
            items.emplace_back(text.View());
        }
        return items;
    }

    TempProfileDir profile;
    CDialog host;
    std::unique_ptr<ZMRUPrinterBox> box;
};

struct LoadCase {
    const char* name;
    std::vector<std::string> recent;
    std::optional<std::string> defaultPrinter;
    std::vector<std::string> items;
    int selected;
};
// The row's name is what test listings show for it.
void PrintTo(const LoadCase& row, std::ostream* out) { *out << row.name; }

class LoadingTheBox : public PrinterBoxTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadingTheBox, ShowsTheListAndSelectsTheDefaultPrinter) {
    const LoadCase& c = GetParam();
    WriteRecent(c.recent);
    if (c.defaultPrinter) {
        const _NBPTuple printer = Printer(c.defaultPrinter->c_str());
        FakeAppleTalk::instance().setDefaultPrinter(&printer);
    }
    ZMRUPrinterBox& b = AttachBox();
    EXPECT_EQ(b.LoadPrinterList(nullptr), static_cast<int>(c.items.size()));
    std::vector<std::string> expected;
    for (const std::string& object : c.items) expected.push_back(ItemOf(object));
    EXPECT_EQ(Items(), expected);
    EXPECT_EQ(b.GetCurSel(), c.selected);
    EXPECT_EQ(FakeAppleTalk::instance().callCount("PAPGetDefaultPrinter"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    DefaultPrinter, LoadingTheBox,
    ::testing::Values(LoadCase{"ListedDefaultKeepsItsPlace", {"A", "B"}, "B", {"A", "B"}, 1},
                      LoadCase{"NewDefaultComesLast", {"A", "B"}, "C", {"A", "B", "C"}, 2},
                      LoadCase{"DefaultAloneWithoutRecentPrinters", {}, "C", {"C"}, 0},
                      LoadCase{"NothingAtAllLeavesTheBoxEmpty", {}, std::nullopt, {}, -1},
                      LoadCase{"NoDefaultSelectsTheFirstItem", {"A", "B"}, std::nullopt, {"A", "B"}, 0}),
    [](const ::testing::TestParamInfo<LoadCase>& row) { return std::string(row.param.name); });

TEST_F(PrinterBoxTest, AnExplicitPrinterIsSelectedWithoutAskingTheLibrary) {
    WriteRecent({"A", "B"});
    const _NBPTuple fallback = Printer("C");
    FakeAppleTalk::instance().setDefaultPrinter(&fallback);
    ZMRUPrinterBox& b = AttachBox();
    const _NBPTuple current = Printer("D");
    EXPECT_EQ(b.LoadPrinterList(&current), 3);
    EXPECT_EQ(Items(), (std::vector<std::string>{ItemOf("A"), ItemOf("B"), ItemOf("D")}));
    EXPECT_EQ(b.GetCurSel(), 2);
    EXPECT_EQ(FakeAppleTalk::instance().callCount("PAPGetDefaultPrinter"), 0);
}

TEST_F(PrinterBoxTest, SelectedPrinterIsHandedBackWithItsRecord) {
    WriteRecent({"A", "B"});
    ZMRUPrinterBox& b = AttachBox();
    b.LoadPrinterList(nullptr);
    b.SetCurSel(1);
    EXPECT_EQ(b.GetCurSelPrinter(nullptr), 1) << "a null argument gives the index alone";
    _NBPTuple out{};
    EXPECT_EQ(b.GetCurSelPrinter(&out), 1);
    EXPECT_STREQ(out.entity.object, "B");
    EXPECT_STREQ(out.entity.type, "LaserWriter");
    EXPECT_STREQ(out.entity.zone, "Sales");
}

TEST_F(PrinterBoxTest, NoSelectionAnswersMinusOneAndCopiesNothing) {
    ZMRUPrinterBox& b = AttachBox();
    EXPECT_EQ(b.LoadPrinterList(nullptr), 0);
    _NBPTuple out;
    std::memset(&out, 0xAB, sizeof out);
    const _NBPTuple before = out;
    EXPECT_EQ(b.GetCurSelPrinter(&out), -1);
    EXPECT_EQ(std::memcmp(&out, &before, sizeof out), 0);
}

// An item put in through the combo box itself has no list entry behind it.
TEST_F(PrinterBoxTest, SelectedItemWithoutAnEntryGivesItsIndexAndCopiesNothing) {
    WriteRecent({"A"});
    ZMRUPrinterBox& b = AttachBox();
    b.LoadPrinterList(nullptr);
    ASSERT_EQ(b.AddString("stray"), 1);
    b.SetCurSel(1);
    _NBPTuple out;
    std::memset(&out, 0xAB, sizeof out);
    const _NBPTuple before = out;
    EXPECT_EQ(b.GetCurSelPrinter(&out), 1);
    EXPECT_EQ(std::memcmp(&out, &before, sizeof out), 0);
}

TEST_F(PrinterBoxTest, SetCurSelPrinterSelectsTheSameEntityWhateverItsAddress) {
    WriteRecent({"A", "B"});
    ZMRUPrinterBox& b = AttachBox();
    b.LoadPrinterList(nullptr);
    const _NBPTuple b2 = Printer("B", 7, 8, 9);
    EXPECT_EQ(b.SetCurSelPrinter(&b2), 1);
    EXPECT_EQ(b.GetCurSel(), 1);
    const _NBPTuple unknown = Printer("Z");
    EXPECT_EQ(b.SetCurSelPrinter(&unknown), -1);
    EXPECT_EQ(b.GetCurSel(), 1) << "the selection stays";
}

TEST_F(PrinterBoxTest, AddingAListedPrinterChangesNothing) {
    WriteRecent({"A", "B"});
    ZMRUPrinterBox& b = AttachBox();
    b.LoadPrinterList(nullptr);
    const _NBPTuple again = Printer("A", 1, 2, 3);
    EXPECT_EQ(b.AddToPrinterList(&again), -1);
    EXPECT_EQ(Items(), (std::vector<std::string>{ItemOf("A"), ItemOf("B")}));
    _NBPTuple out{};
    b.SetCurSel(0);
    b.GetCurSelPrinter(&out);
    EXPECT_EQ(out.address.network, 0) << "the listed entry keeps its own address";
}

TEST_F(PrinterBoxTest, AddingANewPrinterAppendsOneItem) {
    WriteRecent({"A", "B"});
    ZMRUPrinterBox& b = AttachBox();
    b.LoadPrinterList(nullptr);
    const _NBPTuple fresh = Printer("0-first-alphabetically");
    EXPECT_EQ(b.AddToPrinterList(&fresh), 2);
    EXPECT_EQ(Items(), (std::vector<std::string>{ItemOf("A"), ItemOf("B"), ItemOf("0-first-alphabetically")}));
}

// Even a control that sorts keeps the list's order: the box places every item itself.
TEST_F(PrinterBoxTest, SortedControlStillShowsListOrder) {
    WriteRecent({"Zeta", "Alpha"});
    ZMRUPrinterBox& b = AttachBox(kSortedBox);
    const _NBPTuple middle = Printer("Mu");
    FakeAppleTalk::instance().setDefaultPrinter(&middle);
    EXPECT_EQ(b.LoadPrinterList(nullptr), 3);
    const _NBPTuple first = Printer("Aaron");
    EXPECT_EQ(b.AddToPrinterList(&first), 3);
    EXPECT_EQ(Items(), (std::vector<std::string>{ItemOf("Zeta"), ItemOf("Alpha"), ItemOf("Mu"), ItemOf("Aaron")}));
    _NBPTuple out{};
    EXPECT_EQ(b.GetCurSelPrinter(&out), 2);
    EXPECT_STREQ(out.entity.object, "Mu");
}

TEST_F(PrinterBoxTest, CreateTakesTheSortStyleOut) {
    WriteRecent({"Alpha", "Zeta"});
    box = std::make_unique<ZMRUPrinterBox>();
    const RECT rect{10, 10, 200, 100};
    ASSERT_TRUE(box->Create("COMBOBOX", "", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL, rect, &host, 300));
    box->LoadPrinterList(nullptr);
    // The control's own insert: a sorted control would put it between the two.
    EXPECT_EQ(box->AddString("Beta"), 2);
    EXPECT_EQ(Items(), (std::vector<std::string>{ItemOf("Alpha"), ItemOf("Zeta"), "Beta"}));
}

TEST_F(PrinterBoxTest, UpdatedAddressIsHandedBackAndTheTextStays) {
    WriteRecent({"A", "B"});
    ZMRUPrinterBox& b = AttachBox();
    b.LoadPrinterList(nullptr);
    const _NBPTuple found = Printer("B", 0x1234, 56, 250);
    EXPECT_EQ(b.UpdatePrinterAddress(&found), 1);
    const _NBPTuple missing = Printer("Q", 1, 1, 1);
    EXPECT_EQ(b.UpdatePrinterAddress(&missing), 0);
    b.SetCurSel(1);
    _NBPTuple out{};
    EXPECT_EQ(b.GetCurSelPrinter(&out), 1);
    EXPECT_EQ(out.address.network, 0x1234);
    EXPECT_EQ(out.address.nodeID, 56);
    EXPECT_EQ(out.address.socket, 250);
    EXPECT_EQ(Items(), (std::vector<std::string>{ItemOf("A"), ItemOf("B")}));
}

TEST_F(PrinterBoxTest, UpdatingAnAddressNeedsNoWindow) {
    WriteRecent({"A"});
    ZMRUPrinterBox detached;
    const _NBPTuple found = Printer("A", 5, 6, 7);
    EXPECT_EQ(detached.UpdatePrinterAddress(&found), 1);
    detached.SavePrinterList();
    EXPECT_EQ(profile.fileText("Halvora.INI").find("5 6 7"), std::string::npos) << "saving writes nothing";
}

} // namespace

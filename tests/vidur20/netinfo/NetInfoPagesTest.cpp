// SPDX-License-Identifier: MIT
// The network information sheet's pages: the node's address, zone and cable range as the
// stack reports them, the failure message when the stack cannot answer (also when it never
// does), and a Statistics page whose Clear changes nothing.
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeAppleTalk.h"
#include "UiTestSupport.h"
#include "platform/resources/ResourceChain.h"
#include "platform/ui/CPropertySheet.h"
#include "platform/ui/SleepService.h"
#include "platform/ui/UiDriver.h"
#include "vidur20/netinfo/CNetGeneralPage.h"
#include "vidur20/netinfo/CNetStatisticsPage.h"
#include "vidur20/res/ResourceIds.h"
#include "vidur20/res/Vidur20Resources.h"

namespace {

constexpr const char* kUnknown = "Unknown";
constexpr const char* kFailureText = "Could not access Tarvek32.DLL";

// The stack's reply to the node-information request.
struct NodeReply {
    uint16_t network = 0;
    uint8_t node = 0;
    uint16_t first = 0;
    uint16_t last = 0;
    std::string zone;
};

void WriteReply(_DispatchBlock& block, const NodeReply& reply) {
    auto* bytes = reinterpret_cast<uint8_t*>(&block);
    std::memcpy(bytes + DB_NODE_NETWORK_OFFSET, &reply.network, 2);
    bytes[DB_NODE_NODE_OFFSET] = reply.node;
    std::memcpy(bytes + DB_NODE_RANGE_FIRST_OFFSET, &reply.first, 2);
    std::memcpy(bytes + DB_NODE_RANGE_LAST_OFFSET, &reply.last, 2);
    std::memcpy(bytes + DB_NODE_ZONE_OFFSET, reply.zone.c_str(), reply.zone.size() + 1);
}

// Counts the page's pauses and lets the stack act during one.
class CountingSleep : public SleepService {
public:
    void Sleep(DWORD milliseconds) override {
        waits.push_back(milliseconds);
        if (onSleep) onSleep(static_cast<int>(waits.size()));
    }
    std::vector<DWORD> waits;
    std::function<void(int)> onSleep;
};

// What the General page showed, read while the sheet was open.
struct Shown {
    std::string address, zone, range;
    bool sheetOpen = false;
};

class NetInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake().reset();
        ResourceChain::instance().addModule(Vidur20ResourceModule());
        ResourceChain::instance().setLanguageOverride(kLangEnglishUS);
        m_previousSleep = SleepService::Install(&sleep);
    }
    void TearDown() override {
        SleepService::Install(m_previousSleep);
        ResourceChain::instance().setLanguageOverride(std::nullopt);
        ResourceChain::instance().removeModule(Vidur20ResourceModule());
        fake().reset();
    }
    static FakeAppleTalk& fake() { return FakeAppleTalk::instance(); }

    // The stack answers at once with the reply and result.
    static void AnswerAtOnce(const NodeReply& reply, int result = 0) {
        fake().setDispatchHandler([reply, result](_DispatchBlock& block) {
            WriteReply(block, reply);
            FakeAppleTalk::completeBlock(block, result);
        });
    }

    static std::string Text(CWnd& page, UINT id) {
        CString text;
        page.GetDlgItem(static_cast<int>(id))->GetWindowText(text);
        return std::string(text.View());
    }

    // Runs the sheet as the network information entry point does, reads the General page
    // from inside its modal loop, runs `during` there, and closes it.
    Shown RunSheet(const std::function<void(CPropertySheet&, CNetGeneralPage&, CNetStatisticsPage&)>& during = {}) {
        CPropertySheet sheet("Network");
        CNetGeneralPage general;
        CNetStatisticsPage statistics;
        sheet.AddPage(&general);
        sheet.AddPage(&statistics);
        Shown shown;
        UiDriver::Post([&] {
            if (during) during(sheet, general, statistics);
            shown.sheetOpen = sheet.GetSafeHwnd() != nullptr;
            shown.address = Text(general, IDC_NET_ADDRESS);
            shown.zone = Text(general, IDC_LOCAL_ZONE);
            shown.range = Text(general, IDC_NET_RANGE);
            UiDriver::ClickButton(sheet, IDCANCEL);
        });
        sheet.DoModal();
        UiDriver::FlushDeletes();
        return shown;
    }

    RecordingMessageBoxes boxes;
    ScopedMessageBoxes scopedBoxes{boxes};
    CountingSleep sleep;

private:
    SleepService* m_previousSleep = nullptr;
};

// ---------------------------------------------------------------------------------------
// The reply as text

struct ReplyCase {
    const char* name;
    NodeReply reply;
    const char* address;
    const char* zone;
    const char* range;
};
// The row's name is what test listings show for it.
void PrintTo(const ReplyCase& row, std::ostream* out) { *out << row.name; }

class GeneralPageShowsTheReply : public NetInfoTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(GeneralPageShowsTheReply, AsAddressZoneAndRange) {
    const ReplyCase& c = GetParam();
    AnswerAtOnce(c.reply);
    const Shown shown = RunSheet();
    EXPECT_EQ(shown.address, c.address);
    EXPECT_EQ(shown.zone, c.zone);
    EXPECT_EQ(shown.range, c.range);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(fake().liveBlockCount(), 0U) << "the block is freed";
}

INSTANTIATE_TEST_SUITE_P(
    Replies, GeneralPageShowsTheReply,
    ::testing::Values(ReplyCase{"HighNumbers", {255, 254, 255, 300, "Sales"}, "255 254 (00FF FE)", "Sales", "255-300"},
                      ReplyCase{"ZerosArePadded", {0, 0, 0, 0, "Lab"}, "0 0 (0000 00)", "Lab", "0-0"},
                      ReplyCase{"Widest", {65535, 255, 65534, 65535, "Z"}, "65535 255 (FFFF FF)", "Z", "65534-65535"},
                      ReplyCase{"EmptyZoneKeepsUnknown", {10, 25, 10, 19, ""}, "10 25 (000A 19)", kUnknown, "10-19"},
                      // A zone longer than the text buffer is cut to what it holds, never written past it.
                      ReplyCase{"LongZoneIsCut",
                                {1, 2, 1, 1, std::string(60, 'z')},
                                "1 2 (0001 02)",
                                "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz",
                                "1-1"}),
    [](const ::testing::TestParamInfo<ReplyCase>& row) { return std::string(row.param.name); });

TEST_F(NetInfoTest, RequestIsNodeInformationOnAClearedLibraryBlock) {
    AnswerAtOnce({1, 1, 1, 1, "A"});
    RunSheet();
    EXPECT_EQ(fake().callNames(), (std::vector<std::string>{"MPPAlloc", "ATALKDispatch", "MPPFree"}));
    const std::vector<FakeDispatch> dispatches = fake().dispatches();
    ASSERT_EQ(dispatches.size(), 1U);
    const _DispatchBlock& sent = dispatches[0].copy;
    EXPECT_EQ(sent.command, ATALK_CMD_NODE_INFO);
    EXPECT_EQ(sent.cleared36, 0U);
    EXPECT_EQ(sent.cleared44, 0U);
    EXPECT_EQ(sent.cleared48, 0U);
}

// ---------------------------------------------------------------------------------------
// Waiting

TEST_F(NetInfoTest, AnswerThatTakesAWhileIsWaitedForWithPauses) {
    _DispatchBlock* pending = nullptr;
    fake().setDispatchHandler([&](_DispatchBlock& block) { pending = &block; });
    sleep.onSleep = [&](int waits) {
        if (waits == 5) {
            WriteReply(*pending, {3, 4, 3, 5, "Slow"});
            FakeAppleTalk::completeBlock(*pending, 0);
        }
    };
    const Shown shown = RunSheet();
    EXPECT_EQ(sleep.waits, std::vector<DWORD>(5, CNetGeneralPage::kPollMs)) << "in progress at first: the wait goes on";
    EXPECT_EQ(shown.address, "3 4 (0003 04)");
    EXPECT_EQ(shown.zone, "Slow");
}

// On a network where every frame is lost the stack answers only once its start-up has
// ended (about 7 s): the page waits for it and shows the answer, not a failure.
TEST_F(NetInfoTest, AnswerAfterASlowStartUpIsShownWithoutAFailure) {
    constexpr int kPolls = 8000 / static_cast<int>(CNetGeneralPage::kPollMs);
    _DispatchBlock* pending = nullptr;
    fake().setDispatchHandler([&](_DispatchBlock& block) { pending = &block; });
    sleep.onSleep = [&](int waits) {
        if (waits == kPolls) {
            WriteReply(*pending, {0, 77, 0, 0, ""});
            FakeAppleTalk::completeBlock(*pending, 0);
        }
    };
    const Shown shown = RunSheet();
    EXPECT_EQ(sleep.waits.size(), static_cast<std::size_t>(kPolls));
    EXPECT_TRUE(boxes.shown.empty()) << "no failure message";
    EXPECT_EQ(shown.address, "0 77 (0000 4D)");
}

// ---------------------------------------------------------------------------------------
// Failures

struct FailureCase {
    const char* name;
    int dispatchReturn;
    int result; // written into the block, unless the dispatch was refused
};
// The row's name is what test listings show for it.
void PrintTo(const FailureCase& row, std::ostream* out) { *out << row.name; }

class GeneralPageFailure : public NetInfoTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(GeneralPageFailure, ShowsTheStopMessageAndKeepsUnknown) {
    const FailureCase& c = GetParam();
    fake().pushDispatchResult(c.dispatchReturn);
    AnswerAtOnce({9, 9, 9, 9, "Never"}, c.result);
    const Shown shown = RunSheet();
    ASSERT_EQ(boxes.shown.size(), 1U);
    EXPECT_EQ(boxes.shown[0].text, kFailureText);
    EXPECT_EQ(boxes.shown[0].type, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(shown.address, kUnknown);
    EXPECT_EQ(shown.zone, kUnknown);
    EXPECT_EQ(shown.range, kUnknown);
    EXPECT_TRUE(shown.sheetOpen) << "the close request goes to the page, not the sheet";
    EXPECT_EQ(fake().liveBlockCount(), 0U);
}

INSTANTIATE_TEST_SUITE_P(Failures, GeneralPageFailure,
                         ::testing::Values(FailureCase{"OnlyTheReturnValue", -5, 0},
                                           FailureCase{"FailedResult", 0, -1}),
                         [](const ::testing::TestParamInfo<FailureCase>& row) { return std::string(row.param.name); });

TEST_F(NetInfoTest, NoBlockMeansUnknownWithoutAMessage) {
    fake().setAllocResult(-1);
    const Shown shown = RunSheet();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(fake().callCount("ATALKDispatch"), 0);
    EXPECT_EQ(shown.address, kUnknown);
    EXPECT_EQ(shown.zone, kUnknown);
    EXPECT_EQ(shown.range, kUnknown);
}

// ---------------------------------------------------------------------------------------
// Statistics

TEST_F(NetInfoTest, ClearChangesNothingOnEitherPage) {
    AnswerAtOnce({255, 254, 255, 300, "Sales"});
    std::string clearText;
    const Shown shown = RunSheet([&](CPropertySheet& sheet, CNetGeneralPage&, CNetStatisticsPage& statistics) {
        ASSERT_TRUE(sheet.SetActivePage(1));
        ASSERT_NE(statistics.GetSafeHwnd(), nullptr);
        EXPECT_TRUE(UiDriver::ClickButton(statistics, IDC_CLEAR_STATISTICS));
        clearText = Text(statistics, IDC_CLEAR_STATISTICS);
        EXPECT_EQ(sheet.GetActiveIndex(), 1);
    });
    EXPECT_TRUE(shown.sheetOpen);
    EXPECT_EQ(clearText, "Clear");
    EXPECT_EQ(shown.address, "255 254 (00FF FE)");
    EXPECT_EQ(shown.range, "255-300");
    EXPECT_EQ(fake().callCount("ATALKDispatch"), 1) << "nothing is asked again";
}

TEST_F(NetInfoTest, BothPagesCanBeCreatedByName) {
    for (const char* name : {"CNetGeneralPage", "CNetStatisticsPage"}) {
        CRuntimeClass* pageClass = CRuntimeClass::FromName(name);
        ASSERT_NE(pageClass, nullptr) << name;
        std::unique_ptr<CObject> page(pageClass->CreateObject());
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(page->IsKindOf(RUNTIME_CLASS(CPropertyPage)));
    }
}

} // namespace

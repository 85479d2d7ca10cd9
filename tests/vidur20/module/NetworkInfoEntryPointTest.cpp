// SPDX-License-Identifier: MIT
// HVRNetworkInfo as a host calls it: its pages, its caption and its answer.
#include <climits>
#include <cstring>

#include "EntryPointTestSupport.h"
#include "platform/ui/CPropertySheet.h"
#include "vidur20/module/HVREntryPoints.h"
#include "vidur20/module/HVREntryPointsC.h"
#include "vidur20/netinfo/CNetGeneralPage.h"
#include "vidur20/netinfo/CNetStatisticsPage.h"
#include "vidur20/res/ResourceIds.h"

namespace {

using namespace moduletest;

// A host's own resources: its title, the framework's string 57344.
const StringResource kHostStrings[] = {{IDS_HOST_APP_TITLE, kLangEnglishUS, "Example Host"}};
const ResourceModule kHostModule{"host", {}, kHostStrings, {}};

class NetworkInfoEntryPointTest : public EntryPointTest {
protected:
    NetworkInfoEntryPointTest() {
        // The node's information comes back at once: network 10, node 25, in "Sales".
        fake.setDispatchHandler([](_DispatchBlock& block) {
            if (block.command != ATALK_CMD_NODE_INFO) return;
            const uint16_t network = 10, first = 10, last = 19;
            std::memcpy(reinterpret_cast<char*>(&block) + DB_NODE_NETWORK_OFFSET, &network, 2);
            reinterpret_cast<uint8_t*>(&block)[DB_NODE_NODE_OFFSET] = 25;
            std::memcpy(reinterpret_cast<char*>(&block) + DB_NODE_RANGE_FIRST_OFFSET, &first, 2);
            std::memcpy(reinterpret_cast<char*>(&block) + DB_NODE_RANGE_LAST_OFFSET, &last, 2);
            std::strcpy(reinterpret_cast<char*>(&block) + DB_NODE_ZONE_OFFSET, "Sales");
            FakeAppleTalk::completeBlock(block, 0);
        });
    }

    struct Seen {
        int pages = -1;
        bool generalFirst = false, statisticsSecond = false;
        int active = -1;
        std::string caption = "(not seen)";
        std::string address;
    };
    // Looks at the open sheet, then ends it with the button given.
    void LookThenPress(Seen& seen, int button) {
        observer.onOpen = [&seen, button](CWnd& window, HVRWindowKind kind) {
            ASSERT_EQ(kind, HVRWindowKind::NetworkInfo);
            auto& sheet = static_cast<CPropertySheet&>(window);
            seen.pages = sheet.GetPageCount();
            seen.generalFirst = sheet.GetPage(0) && sheet.GetPage(0)->IsKindOf(RUNTIME_CLASS(CNetGeneralPage));
            seen.statisticsSecond = sheet.GetPage(1) && sheet.GetPage(1)->IsKindOf(RUNTIME_CLASS(CNetStatisticsPage));
            seen.active = sheet.GetActiveIndex();
            CString text;
            sheet.GetWindowText(text);
            seen.caption = std::string(text.View());
            if (CWnd* address = sheet.GetPage(0)->GetDlgItem(IDC_NET_ADDRESS)) {
                address->GetWindowText(text);
                seen.address = std::string(text.View());
            }
            UiDriver::ClickButton(sheet, button);
        };
    }
};

TEST_F(NetworkInfoEntryPointTest, TheSheetShowsGeneralFirstThenStatisticsOpenOnGeneral) {
    Seen seen;
    LookThenPress(seen, IDOK);
    EXPECT_EQ(HVRNetworkInfo(0), 0);
    EXPECT_EQ(seen.pages, 2);
    EXPECT_TRUE(seen.generalFirst);
    EXPECT_TRUE(seen.statisticsSecond);
    EXPECT_EQ(seen.active, 0);
    EXPECT_EQ(seen.address, "10 25 (000A 19)") << "the General page asked the stack when the sheet opened";
    EXPECT_EQ(observer.closedCount, 1);
}

TEST_F(NetworkInfoEntryPointTest, TheAnswerIsZeroWhateverTheArgumentAndHowTheSheetCloses) {
    struct Row {
        int argument;
        int button;
    };
    for (const Row row : {Row{0, IDOK}, Row{0, IDCANCEL}, Row{1, IDOK}, Row{-1, IDCANCEL}, Row{INT_MAX, IDOK},
                          Row{INT_MIN, IDCANCEL}}) {
        Seen seen;
        LookThenPress(seen, row.button);
        EXPECT_EQ(HVRNetworkInfo(row.argument), 0) << "argument " << row.argument << ", button " << row.button;
        EXPECT_EQ(HVRNetworkInfoC(row.argument), 0) << "argument " << row.argument << ", button " << row.button;
    }
}

TEST_F(NetworkInfoEntryPointTest, TheCaptionIsTheHostsTitleFromItsOwnResources) {
    ResourceChain::instance().addModule(kHostModule);
    Seen seen;
    LookThenPress(seen, IDCANCEL);
    HVRNetworkInfo(0);
    ResourceChain::instance().removeModule(kHostModule);
    EXPECT_EQ(seen.caption, "Example Host");
}

TEST_F(NetworkInfoEntryPointTest, TheCaptionIsEmptyWhenNoModuleHasATitle) {
    Seen seen;
    LookThenPress(seen, IDCANCEL);
    HVRNetworkInfo(0);
    EXPECT_EQ(seen.caption, "");
}

} // namespace

// SPDX-License-Identifier: MIT
// The fake is what every system test stands on: these pin the scripting it promises.
#include <cstring>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeAppleTalk.h"

using ::testing::ElementsAre;

class FakeAppleTalkTest : public ::testing::Test {
protected:
    void SetUp() override { fake.reset(); }
    void TearDown() override { fake.reset(); }
    FakeAppleTalk& fake = FakeAppleTalk::instance();
};

TEST_F(FakeAppleTalkTest, AZoneEnumerationAnswersItsScriptedStatusesPollByPollThenRepeatsTheLast) {
    fake.scriptZoneEnum({.statuses = {ENUM_RUNNING, ENUM_RUNNING, ENUM_COMPLETE}, .zones = {"Sales", "Support"}});
    ATEnumHandle h = 0;
    ASSERT_EQ(ZIPOpenEnum(&h, 0), 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(ZIPEnumStatus(h), ENUM_RUNNING);
    EXPECT_EQ(ZIPEnumStatus(h), ENUM_RUNNING);
    EXPECT_EQ(ZIPEnumStatus(h), ENUM_COMPLETE);
    EXPECT_EQ(ZIPEnumStatus(h), ENUM_COMPLETE);
    uint16_t count = 0;
    ASSERT_EQ(ZIPZoneCount(h, &count), 0);
    EXPECT_EQ(count, 2);
    char zone[NBP_NAME_FIELD_SIZE];
    ASSERT_EQ(ZIPReadEnum(h, 1, zone), 0);
    EXPECT_STREQ(zone, "Support");
    EXPECT_NE(ZIPReadEnum(h, 2, zone), 0);
    EXPECT_EQ(ZIPCloseEnum(h), 0);
    EXPECT_FALSE(fake.isEnumOpen(h));
    EXPECT_NE(ZIPEnumStatus(h), 0) << "a closed handle is unknown";
}

TEST_F(FakeAppleTalkTest, AnUnscriptedOpenFailsAndStoresNoHandle) {
    ATEnumHandle h = 77;
    _NBPEntityName name{};
    EXPECT_EQ(ZIPOpenEnum(&h, 0), FakeAppleTalk::kFailure);
    EXPECT_EQ(NBPOpenEnum(&h, 2, 2, 1024, &name), FakeAppleTalk::kFailure);
    EXPECT_EQ(h, 77u);
    EXPECT_EQ(fake.openEnumCount(), 0);
}

TEST_F(FakeAppleTalkTest, ALookupRecordsItsRequestAndCanBeForcedToAStatusFromTheTest) {
    _NBPTuple found{};
    std::strcpy(found.entity.object, "Laser 1");
    fake.scriptLookup({.statuses = {ENUM_RUNNING}, .found = {found}});
    _NBPEntityName name{};
    NBPSetEntityName(&name, "=", "LaserWriter", "Sales");
    ATEnumHandle h = 0;
    ASSERT_EQ(NBPOpenEnum(&h, 2, 2, 1024, &name), 0);
    EXPECT_EQ(NBPEnumStatus(h), ENUM_RUNNING);
    EXPECT_EQ(NBPEnumStatus(h), ENUM_RUNNING);
    fake.setEnumStatus(h, -5);
    EXPECT_EQ(NBPEnumStatus(h), -5);
    _NBPTuple read{};
    ASSERT_EQ(NBPReadEnum(h, 0, &read), 0);
    EXPECT_STREQ(read.entity.object, "Laser 1");
    ASSERT_EQ(fake.lookups().size(), 1u);
    EXPECT_EQ(fake.lookups()[0].maxTuples, 1024);
    EXPECT_EQ(fake.calls()[0].arguments, "2, 2, 1024, =:LaserWriter@Sales");
    EXPECT_EQ(fake.openEnumCount(), 1) << "left open: a leak the test can see";
}

TEST_F(FakeAppleTalkTest, TheDefaultPrinterIsWhatWasLastSetAndSetCallsAreKept) {
    _NBPTuple printer{};
    EXPECT_NE(PAPGetDefaultPrinter(&printer), 0);
    std::strcpy(printer.entity.object, "Laser 1");
    PAPSetDefaultPrinter(&printer);
    _NBPTuple read{};
    ASSERT_EQ(PAPGetDefaultPrinter(&read), 0);
    EXPECT_STREQ(read.entity.object, "Laser 1");
    EXPECT_EQ(fake.setDefaultPrinterCalls().size(), 1u);
}

TEST_F(FakeAppleTalkTest, PostScriptAnswersFollowTheTypeWithADefaultForOthers) {
    fake.setPostScriptType("LaserWriter", 1);
    EXPECT_NE(IsPostScriptPrinterType("LaserWriter"), 0);
    EXPECT_EQ(IsPostScriptPrinterType("ImageWriter"), 0);
    fake.setPostScriptDefault(1);
    EXPECT_NE(IsPostScriptPrinterType("ImageWriter"), 0);
}

TEST_F(FakeAppleTalkTest, ADispatchedBlockIsCompletedFromAnotherThreadAndSeenByAnAcquirePoll) {
    _DispatchBlock* block = nullptr;
    ASSERT_EQ(MPPAlloc(&block, 0), 0);
    block->command = ATALK_CMD_NODE_INFO;
    ASSERT_EQ(ATALKDispatch(block), 0);
    EXPECT_EQ(FakeAppleTalk::readResult(*block), 1);
    std::thread stack([&] {
        fake.completeDispatch(0, 0,
                              [](_DispatchBlock& b) { b.params[DB_NODE_NODE_OFFSET - DISPATCH_PARAMS_OFFSET] = 42; });
    });
    while (FakeAppleTalk::readResult(*block) == 1) std::this_thread::yield();
    EXPECT_EQ(block->params[DB_NODE_NODE_OFFSET - DISPATCH_PARAMS_OFFSET], 42);
    stack.join();
    ASSERT_EQ(fake.dispatches().size(), 1u);
    EXPECT_EQ(fake.dispatches()[0].copy.command, ATALK_CMD_NODE_INFO);
    EXPECT_EQ(MPPFree(block), 0);
    EXPECT_FALSE(fake.completeDispatch(0, 0)) << "a freed block must not be written";
    EXPECT_NE(MPPFree(block), 0) << "a second free is refused";
    EXPECT_EQ(fake.liveBlockCount(), 0u);
}

TEST_F(FakeAppleTalkTest, ARefusedDispatchLeavesTheBlockAsItWas) {
    _DispatchBlock* block = nullptr;
    ASSERT_EQ(MPPAlloc(&block, 0), 0);
    fake.pushDispatchResult(-3);
    EXPECT_EQ(ATALKDispatch(block), -3);
    EXPECT_EQ(block->result, 0);
    EXPECT_THAT(fake.callNames(), ElementsAre("MPPAlloc", "ATALKDispatch"));
}

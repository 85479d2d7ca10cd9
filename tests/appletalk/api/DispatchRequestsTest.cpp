// SPDX-License-Identifier: MIT
// ATALKDispatch against the built-in simulated internet, on virtual time: node information,
// printer status with printers that answer, change, move, fall silent or go away, and the
// end request.
#include "support/FrameRecorder.h"
#include "support/VirtualStack.h"
#include "support/WireBytes.h"

#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/protocols/atp/AtpPacket.h"
#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/PrinterStatusRequest.h"
#include "appletalk/sim/SimPrinter.h"
#include "tarvlib/DispatchBlockAccess.h"
#include "tarvlib/TarvlibApi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

namespace appletalk::api {

using namespace appletalk::runtime;
namespace {

using testing::VirtualStack;
using namespace std::chrono_literals;

struct Block {
    Block() { std::memset(&raw, 0, sizeof raw); }
    int32_t result() const { return DispatchBlockAccess::loadResult(raw); }
    uint32_t requestValue() const { return DispatchBlockAccess::readU32(raw, DB_REQUEST_ID_OFFSET); }
    std::string statusText() const { return reinterpret_cast<const char*>(&raw) + DB_STATUS_TEXT_OFFSET; }
    _NBPTuple tuple() const { return DispatchBlockAccess::readTuple(raw, DB_STATUS_TUPLE_OFFSET); }
    _DispatchBlock raw;
};

// A status request for a printer of the built-in network, addressed as the Chooser left it.
void prepareStatus(Block& block, sim::SimPrinter& printer, const char* zone, std::optional<DdpAddress> at = {}) {
    _NBPTuple tuple;
    std::memset(&tuple, 0, sizeof tuple);
    NBPSetEntityName(&tuple.entity, printer.name().object.c_str(), printer.name().type.c_str(), zone);
    const DdpAddress address = at ? *at : printer.entityAddress();
    tuple.address = {address.network, address.node, address.socket};
    DispatchBlockAccess::writeTuple(block.raw, DB_STATUS_TUPLE_OFFSET, tuple);
    block.raw.command = ATALK_CMD_PRINTER_STATUS;
}

int endRequest(uint32_t value) {
    Block end;
    end.raw.command = ATALK_CMD_END_PRINTER;
    DispatchBlockAccess::writeU32(end.raw, DB_REQUEST_ID_OFFSET, value);
    EXPECT_EQ(ATALKDispatch(&end.raw), kOk);
    return end.result(); // the end request completes before the call returns
}

struct PrinterStatus : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(net.start()); }
    sim::SimPrinter& printer(const char* name) { return *net.internet().printer(name); }
    bool finished(const Block& block) {
        return net.runUntil([&block] { return block.result() != kInProgress; }, 30s);
    }
    VirtualStack net;
};

TEST_F(PrinterStatus, AnswersWithTheStatusTextAndTheTupleAndResultZero) {
    Block block;
    prepareStatus(block, printer("Laser 2"), "Engineering");
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    EXPECT_EQ(block.result(), kInProgress);
    EXPECT_NE(block.requestValue(), 0u);
    ASSERT_TRUE(finished(block));
    EXPECT_EQ(block.result(), kOk);
    EXPECT_EQ(block.statusText(), "status: printing; source: AppleTalk; job: Schematics");
    EXPECT_STREQ(block.tuple().entity.object, "Laser 2");
    EXPECT_EQ(block.tuple().address.nodeID, printer("Laser 2").entityAddress().node);
}

TEST_F(PrinterStatus, EachRequestSeesTheTextThePrinterShowsThenAndGetsItsOwnValue) {
    Block block;
    prepareStatus(block, printer("Laser 1"), "Engineering");
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    ASSERT_TRUE(finished(block));
    EXPECT_EQ(block.statusText(), "status: idle");
    const uint32_t firstValue = block.requestValue();

    printer("Laser 1").setStatus("status: busy; source: AppleTalk");
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk); // as the status window asks again
    ASSERT_TRUE(finished(block));
    EXPECT_EQ(block.result(), kOk);
    EXPECT_EQ(block.statusText(), "status: busy; source: AppleTalk");
    EXPECT_NE(block.requestValue(), firstValue);
}

TEST_F(PrinterStatus, ReachesPrintersBehindTheRouter) {
    Block block;
    prepareStatus(block, printer("Drucker Z\x9Frich"), "Z\x9Frich Office");
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    ASSERT_TRUE(finished(block));
    EXPECT_EQ(block.result(), kOk);
    EXPECT_EQ(block.statusText(), "status: PrinterError: out of paper");
}

TEST_F(PrinterStatus, FindsAPrinterThatMovedByItsNameAndReportsItsNewAddress) {
    sim::SimPrinter& laser = printer("Laser 1");
    Block block;
    prepareStatus(block, laser, "Engineering");
    const uint8_t oldNode = laser.entityAddress().node;
    laser.goAway();
    laser.comeBack(static_cast<uint8_t>(oldNode == 200 ? 201 : 200));
    ASSERT_TRUE(net.runUntil([&laser] { return laser.isReady(); }));
    ASSERT_NE(laser.entityAddress().node, oldNode);

    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    ASSERT_TRUE(finished(block));
    EXPECT_EQ(block.result(), kOk);
    EXPECT_EQ(block.statusText(), "status: idle");
    EXPECT_EQ(block.tuple().address.nodeID, laser.entityAddress().node);
    EXPECT_EQ(block.tuple().address.socket, laser.entityAddress().socket);
    EXPECT_STREQ(block.tuple().entity.zone, "Engineering");
}

TEST_F(PrinterStatus, AskedWithoutAnAddressFindsThePrinterByName) {
    Block block;
    prepareStatus(block, printer("Marketing LaserWriter"), "Marketing");
    _NBPTuple tuple = block.tuple();
    tuple.address = {0, 0, 0}; // as a default printer typed in by hand
    DispatchBlockAccess::writeTuple(block.raw, DB_STATUS_TUPLE_OFFSET, tuple);
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    ASSERT_TRUE(finished(block));
    EXPECT_EQ(block.result(), kOk);
    EXPECT_EQ(block.tuple().address.nodeID, printer("Marketing LaserWriter").entityAddress().node);
}

TEST_F(PrinterStatus, AsksExactlyOnceAndReleasesThePrintersTransactionAfterTheAnswer) {
    auto tap = net.internet().wireFor(1)->connect();
    ::appletalk::testing::FrameRecorder recorder(*tap);
    sim::SimPrinter& laser = printer("Laser 2");
    Block block;
    prepareStatus(block, laser, "Engineering");
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    ASSERT_TRUE(finished(block));
    ASSERT_EQ(block.result(), kOk);
    net.advance(1s);

    // The client's ATP packets to the printer's listening socket, short headers on its cable:
    // LLAP destination, source, type 1; DDP length (2), sockets, type 3; then ATP.
    std::vector<atp::AtpPacket> sent;
    for (const auto& frame : recorder.collect()) {
        if (frame.size() < 9 || frame[1] != net.stack->node()->nodeId() || frame[2] != 1 || frame[7] != 3) continue;
        if (frame[0] != laser.entityAddress().node || frame[5] != laser.entityAddress().socket) continue;
        if (auto packet = atp::AtpPacket::parse(std::span(frame).subspan(8))) sent.push_back(*packet);
    }
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].function, atp::AtpFunction::Request);
    EXPECT_TRUE(sent[0].exactlyOnce);
    EXPECT_EQ(sent[1].function, atp::AtpFunction::Release);
    EXPECT_EQ(sent[1].tid, sent[0].tid);
}

TEST_F(PrinterStatus, FailsWithinItsRetryBudgetWhenThePrinterIsUnpluggedMidRequest) {
    sim::SimPrinter& laser = printer("Laser 2");
    laser.setAnswerDelay(1s); // so the request is surely in flight when the plug is pulled
    Block block;
    prepareStatus(block, laser, "Engineering");
    const auto start = net.clock.now();
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    net.advance(500ms);
    laser.goAway();
    ASSERT_TRUE(finished(block));
    EXPECT_EQ(block.result(), kErrNotFound);
    EXPECT_LE(net.clock.now() - start, 10s);
    EXPECT_EQ(block.statusText(), ""); // nothing but the result is written on failure
}

TEST_F(PrinterStatus, FailsForAPrinterThatNeverAnswers) {
    Block block;
    prepareStatus(block, printer("Old LaserWriter Plus"), "Building 4");
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    ASSERT_TRUE(finished(block));
    EXPECT_LT(block.result(), 0);
}

// The printer's cable delays every frame 1.2 s: a look-up of its name is answered after
// 2.4 s, later than one look-up of two sends a second apart waits.
constexpr const char* kSlowCable = R"(client_network = 1
[[network]]
number = 1
zone = "Office"
[[network]]
number = 2
zone = "Annex"
delay_ms = 1200
[[printer]]
name = "Annex Laser"
zone = "Annex"
[[printer]]
name = "Annex Mute"
zone = "Annex"
answers = false
)";

// Asked by name alone, as the window asks for a printer whose address is not known: a slow
// answer that comes within the budget counts; a printer that never answers still fails, once
// the budget is spent.
TEST(PrinterStatusBudget, OnASlowNetworkAnAnswerWithinTheBudgetCountsAndSilenceStillFails) {
    testing::ScopedEnvironment files;
    VirtualStack net(nullptr, 7, VirtualStack::scenarioFile(files, "slow.toml", kSlowCable));
    ASSERT_TRUE(net.start());
    const struct {
        const char* printer;
        int result;
    } rows[] = {{"Annex Laser", kOk}, {"Annex Mute", kErrNotFound}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.printer);
        Block block;
        prepareStatus(block, *net.internet().printer(row.printer), "Annex", DdpAddress{});
        const auto start = net.clock.now();
        ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
        ASSERT_TRUE(net.runUntil([&block] { return block.result() != kInProgress; }));
        EXPECT_EQ(block.result(), row.result);
        EXPECT_LE(net.clock.now() - start, PrinterStatusRequest::kAnswerBudget + 1s);
    }
}

// A request dispatched the moment the library is first used, whose thread then does not run
// for four seconds, longer than a status query's own tries (a busy machine): it waits for the
// stack to start, then asks the printer at the address the Chooser recorded.
TEST(PrinterStatusBudget, ARequestMadeAsTheStackStartsOutlastsAStarvedThread) {
    DdpAddress recorded;
    {
        VirtualStack earlierRun; // addresses are the scenario's own, the same in every run
        ASSERT_TRUE(earlierRun.start());
        recorded = earlierRun.internet().printer("Laser 1")->entityAddress();
    }
    VirtualStack net;
    Block block;
    prepareStatus(block, *net.internet().printer("Laser 1"), "Engineering", recorded);
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    net.clock.advance(4s); // nothing runs meanwhile
    ASSERT_TRUE(net.runUntil([&block] { return block.result() != kInProgress; }));
    EXPECT_EQ(block.result(), kOk);
    EXPECT_EQ(block.statusText(), "status: idle");
    EXPECT_EQ(block.tuple().address.nodeID, recorded.node);
}

TEST_F(PrinterStatus, EndingARequestInFlightStopsEveryWriteIntoItsBlock) {
    printer("Design LaserWriter").setAnswerDelay(3s);
    Block block;
    prepareStatus(block, printer("Design LaserWriter"), "Design Studio");
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    net.advance(1s);
    ASSERT_EQ(block.result(), kInProgress);
    EXPECT_EQ(endRequest(block.requestValue()), kOk);

    Block copy;
    std::memcpy(&copy.raw, &block.raw, sizeof block.raw);
    net.advance(60s); // the answer arrives, retries would run out: nothing may reach the block
    EXPECT_EQ(std::memcmp(&copy.raw, &block.raw, sizeof block.raw), 0);
    EXPECT_EQ(net.stack->run([this] { return net.stack->requests().pendingStatusRequests(); }), 0u);
}

TEST_F(PrinterStatus, AnEndRequestWithValueZeroOrAnUnknownValueCompletesAtOnce) {
    EXPECT_EQ(endRequest(0), kOk);
    EXPECT_EQ(endRequest(0x0BADF00D), kOk);
}

TEST_F(PrinterStatus, EndingAFinishedRequestChangesNothing) {
    Block block;
    prepareStatus(block, printer("Laser 1"), "Engineering");
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    ASSERT_TRUE(finished(block));
    EXPECT_EQ(endRequest(block.requestValue()), kOk);
    EXPECT_EQ(block.result(), kOk);
    EXPECT_EQ(block.statusText(), "status: idle");
}

TEST(PrinterStatusAtStartUp, AskedByAddressWhileTheNodeStartsWaitsForItAndAnswersWithinItsBudget) {
    // The same seed gives every node the same address in every run: learn the printer's from
    // a first run, then ask at once in a second, while the client still probes for its id.
    DdpAddress address;
    {
        VirtualStack first;
        auto* printer = first.internet().printer("Laser 2");
        ASSERT_TRUE(first.runUntil([printer] { return printer->isReady(); }));
        address = printer->entityAddress();
    }
    VirtualStack net;
    ASSERT_FALSE(net.stack->network().nodeInfo().has_value());
    Block block;
    prepareStatus(block, *net.internet().printer("Laser 2"), "Engineering", address);
    const auto start = net.clock.now();
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    ASSERT_TRUE(net.runUntil([&block] { return block.result() != kInProgress; }));
    EXPECT_EQ(block.result(), kOk);
    EXPECT_EQ(block.statusText(), "status: printing; source: AppleTalk; job: Schematics");
    EXPECT_LE(net.clock.now() - start, 3s);
}

TEST(NodeInformation, AnswersBeforeTheCallReturnsOnceTheNodeHasStarted) {
    VirtualStack net;
    ASSERT_TRUE(net.start());
    Block block;
    block.raw.command = ATALK_CMD_NODE_INFO;
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    EXPECT_EQ(block.result(), kOk);
    const Node* node = net.stack->node();
    EXPECT_EQ(DispatchBlockAccess::readU16(block.raw, DB_NODE_NETWORK_OFFSET), 1);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(&block.raw)[DB_NODE_NODE_OFFSET], node->nodeId());
    EXPECT_NE(node->nodeId(), 0);
    // LocalTalk: the cable's range is its one network number.
    EXPECT_EQ(DispatchBlockAccess::readU16(block.raw, DB_NODE_RANGE_FIRST_OFFSET), 1);
    EXPECT_EQ(DispatchBlockAccess::readU16(block.raw, DB_NODE_RANGE_LAST_OFFSET), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(&block.raw) + DB_NODE_ZONE_OFFSET, "Engineering");
}

TEST(NodeInformation, OnAnExtendedCableReportsTheRangeItsRouterAnnounced) {
    testing::ScopedEnvironment files;
    VirtualStack net(nullptr, 7, VirtualStack::scenarioFile(files, "extended.toml", testing::kExtendedCable));
    ASSERT_TRUE(net.start());
    Block block;
    block.raw.command = ATALK_CMD_NODE_INFO;
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    ASSERT_EQ(block.result(), kOk);
    const uint16_t network = DispatchBlockAccess::readU16(block.raw, DB_NODE_NETWORK_OFFSET);
    EXPECT_GE(network, 100);
    EXPECT_LE(network, 103);
    EXPECT_EQ(DispatchBlockAccess::readU16(block.raw, DB_NODE_RANGE_FIRST_OFFSET), 100);
    EXPECT_EQ(DispatchBlockAccess::readU16(block.raw, DB_NODE_RANGE_LAST_OFFSET), 103);
    EXPECT_STREQ(reinterpret_cast<const char*>(&block.raw) + DB_NODE_ZONE_OFFSET, "Finance");
}

TEST(NodeInformation, AskedDuringStartUpIsInProgressAndCompletesLater) {
    VirtualStack net;
    Block block;
    block.raw.command = ATALK_CMD_NODE_INFO;
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    EXPECT_EQ(block.result(), kInProgress);
    ASSERT_TRUE(net.runUntil([&block] { return block.result() != kInProgress; }));
    EXPECT_EQ(block.result(), kOk);
    EXPECT_STREQ(reinterpret_cast<const char*>(&block.raw) + DB_NODE_ZONE_OFFSET, "Engineering");
}

TEST(NodeInformation, WithoutARouterGivesNetworkZeroAndAnEmptyZone) {
    ManualClock wireClock;
    MemoryWire emptyWire(wireClock);
    auto link = emptyWire.connect();
    VirtualStack net(link.get());
    Block block;
    block.raw.command = ATALK_CMD_NODE_INFO;
    std::memset(reinterpret_cast<char*>(&block.raw) + DB_NODE_ZONE_OFFSET, 'x', 10);
    ASSERT_EQ(ATALKDispatch(&block.raw), kOk);
    ASSERT_TRUE(net.runUntil([&block] { return block.result() != kInProgress; }));
    EXPECT_EQ(block.result(), kOk);
    EXPECT_EQ(DispatchBlockAccess::readU16(block.raw, DB_NODE_NETWORK_OFFSET), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(&block.raw) + DB_NODE_ZONE_OFFSET, "");
}

TEST(Dispatch, RefusesANullBlockAndUnknownCommandsWithoutTouchingTheBlock) {
    VirtualStack net;
    EXPECT_LT(ATALKDispatch(nullptr), 0);
    for (uint32_t command : {0u, 0x0211u, 0x0807u, 0xFFFFFFFFu}) {
        Block block;
        block.raw.command = command;
        block.raw.result = 12345;
        EXPECT_EQ(ATALKDispatch(&block.raw), kErrBadCommand) << command;
        EXPECT_EQ(block.result(), 12345);
    }
}

TEST(Dispatch, FreeingABlockWithARequestInFlightStopsTheRequest) {
    VirtualStack net;
    ASSERT_TRUE(net.start());
    _DispatchBlock* block = nullptr;
    ASSERT_EQ(MPPAlloc(&block, 0), kOk);
    sim::SimPrinter& printer = *net.internet().printer("Laser 1");
    printer.setAnswerDelay(2s);
    _NBPTuple tuple;
    std::memset(&tuple, 0, sizeof tuple);
    NBPSetEntityName(&tuple.entity, "Laser 1", "LaserWriter", "Engineering");
    tuple.address = {printer.entityAddress().network, printer.entityAddress().node, printer.entityAddress().socket};
    DispatchBlockAccess::writeTuple(*block, DB_STATUS_TUPLE_OFFSET, tuple);
    block->command = ATALK_CMD_PRINTER_STATUS;
    ASSERT_EQ(ATALKDispatch(block), kOk);
    EXPECT_EQ(MPPFree(block), kOk);
    net.advance(30s); // under the address sanitizer a write into the freed block would fail here
    EXPECT_EQ(net.stack->requests().pendingStatusRequests(), 0u);
}

} // namespace
} // namespace appletalk::api

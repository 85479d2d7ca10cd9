// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapOpenConn.h"
#include "appletalk/protocols/pap/PapOpenConnReply.h"
#include "appletalk/protocols/pap/PapStatus.h"
#include "support/WireBytes.h"

namespace appletalk::pap {
namespace {

using testing::Bytes;
using testing::hex;
using testing::operator+;
using testing::pstr;

TEST(PapHeader, UserByteLayoutsOfEveryFunction) {
    const std::vector<std::pair<PapHeader, atp::UserBytes>> rows = {
        {PapHeader::openConn(5), {5, 1, 0, 0}},         {PapHeader::openConnReply(5), {5, 2, 0, 0}},
        {PapHeader::sendData(5, 0x0102), {5, 3, 1, 2}}, {PapHeader::data(5, true), {5, 4, 1, 0}},
        {PapHeader::data(5, false), {5, 4, 0, 0}},      {PapHeader::tickle(5), {5, 5, 0, 0}},
        {PapHeader::closeConn(5), {5, 6, 0, 0}},        {PapHeader::closeConnReply(5), {5, 7, 0, 0}},
        {PapHeader::sendStatus(), {0, 8, 0, 0}},        {PapHeader::status(), {0, 9, 0, 0}},
    };
    for (const auto& [header, userBytes] : rows) {
        EXPECT_EQ(header.serialize(), userBytes) << int(header.function);
        EXPECT_EQ(PapHeader::parse(userBytes), header) << int(header.function);
    }
    EXPECT_EQ(PapHeader::sendData(5, 0x0102).sequence(), 0x0102);
    EXPECT_TRUE(PapHeader::parse(hex("05 04 01 00"))->endOfFile());
    EXPECT_TRUE(PapHeader::parse(hex("05 04 ff 00"))->endOfFile()) << "any non-zero EOF byte";
}

TEST(PapHeader, UnknownFunctionsAndWrongSizesAreRejected) {
    EXPECT_FALSE(PapHeader::parse(hex("00 00 00 00")));
    EXPECT_FALSE(PapHeader::parse(hex("00 0a 00 00")));
    EXPECT_FALSE(PapHeader::parse(hex("00 08 00")));
}

TEST(PapStatus, StatusTextSitsAfterFourUnusedBytes) {
    const auto status = PapStatus::parse(hex("00 00 00 00") + pstr("status: idle"));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->status, "status: idle");
    EXPECT_EQ((PapStatus{"status: busy; source: AppleTalk"}).serialize(),
              hex("00 00 00 00") + pstr("status: busy; source: AppleTalk"));
}

TEST(PapStatus, LengthLimitsAndTruncation) {
    const std::string longest(255, 's');
    EXPECT_EQ(PapStatus::parse(PapStatus{longest}.serialize()), PapStatus{longest});
    EXPECT_TRUE(PapStatus{longest + "s"}.serialize().empty());
    EXPECT_FALSE(PapStatus::parse(hex("00 00 00 00 0c") + testing::text("status")));
    EXPECT_FALSE(PapStatus::parse(hex("00 00 00")));
    EXPECT_EQ(PapStatus::parse(hex("00 00 00 00") + pstr("ok") + hex("00 00"))->status, "ok") << "padding tolerated";
}

TEST(PapOpenConn, DataIsSocketFlowQuantumAndWaitTime) {
    const PapOpenConn open{0xC9, 8, 0x0120};
    EXPECT_EQ(open.serialize(), hex("c9 08 01 20"));
    EXPECT_EQ(PapOpenConn::parse(hex("c9 08 01 20")), open);
    EXPECT_FALSE(PapOpenConn::parse(hex("c9 08 01")));
    EXPECT_FALSE(PapOpenConn::parse(hex("c9 08 01 20 00")));
}

TEST(PapOpenConnReply, BusyReplyCarriesTheStatus) {
    const Bytes wire = hex("82 08 ff ff") + pstr("status: busy");
    const auto reply = PapOpenConnReply::parse(wire);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->isBusy());
    EXPECT_EQ(reply->respondingSocket, 0x82);
    EXPECT_EQ(reply->status, "status: busy");
    EXPECT_EQ(reply->serialize(), wire);
    EXPECT_FALSE(PapOpenConnReply::parse(hex("82 08 00 00 05 41")));
    EXPECT_TRUE((PapOpenConnReply{1, 8, 0, std::string(256, 'x')}).serialize().empty());
}

} // namespace
} // namespace appletalk::pap

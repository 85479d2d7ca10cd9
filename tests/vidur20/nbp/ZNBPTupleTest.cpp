// SPDX-License-Identifier: MIT
#include "vidur20/nbp/ZNBPTuple.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

_NBPTuple recordFilledWith(unsigned char byte) {
    _NBPTuple r;
    std::memset(&r, byte, sizeof r);
    return r;
}

_NBPTuple record(const char* object, const char* type, const char* zone, WORD net = 0, BYTE node = 0, BYTE socket = 0) {
    _NBPTuple r{};
    NBPSetEntityName(&r.entity, object, type, zone);
    r.address = {net, node, socket};
    return r;
}

} // namespace

TEST(ZNBPTuple, ADefaultTupleIsEmptyWithEmptyNamesAndAZeroAddress) {
    const ZNBPTuple t;
    EXPECT_EQ(t.IsEmpty(), 1);
    EXPECT_TRUE(t.GetObjectA().IsEmpty());
    EXPECT_TRUE(t.GetType().IsEmpty());
    EXPECT_TRUE(t.GetZone().IsEmpty());
    EXPECT_EQ(t.GetNetwork(), 0);
    EXPECT_EQ(t.GetNodeID(), 0);
    EXPECT_EQ(t.GetSocket(), 0);
    EXPECT_EQ(t.GetEnum(), 0);
}

TEST(ZNBPTuple, WithoutAnObjectItIsEmptyAndHandsOutNothing) {
    ZNBPTuple t;
    t.SetType("LaserWriter");
    t.SetZone("Sales");
    EXPECT_EQ(t.IsEmpty(), 1);
    _NBPTuple out = recordFilledWith(0x5A);
    EXPECT_EQ(t.GetNBPTuple(&out), 0);
    const _NBPTuple untouched = recordFilledWith(0x5A);
    EXPECT_EQ(std::memcmp(&out, &untouched, sizeof out), 0);
}

TEST(ZNBPTuple, HandsBackExactlyTheBytesItWasCreatedFromPaddingIncluded) {
    _NBPTuple in = recordFilledWith(0xC3);
    std::strcpy(in.entity.object, "Laser 1");
    const ZNBPTuple t(&in);
    _NBPTuple out{};
    ASSERT_EQ(t.GetNBPTuple(&out), 1);
    EXPECT_EQ(std::memcmp(&out, &in, sizeof out), 0);
}

TEST(ZNBPTuple, SetEntityFromARecordChangesTheNamesAndKeepsAddressAndEnumerator) {
    _NBPTuple in = record("Old", "LQ", "North", 4096, 12, 129);
    in.enumerator = 9;
    ZNBPTuple t(&in);
    const _NBPTuple other = record("New", "LaserWriter", "South");
    t.SetEntity(&other.entity);
    EXPECT_EQ(std::string(t.GetObjectA()), "New");
    EXPECT_EQ(std::string(t.GetType()), "LaserWriter");
    EXPECT_EQ(std::string(t.GetZone()), "South");
    EXPECT_EQ(t.GetNetwork(), 4096);
    EXPECT_EQ(t.GetNodeID(), 12);
    EXPECT_EQ(t.GetSocket(), 129);
    EXPECT_EQ(t.GetEnum(), 9);
}

TEST(ZNBPTuple, SetEntityFromTextsLeavesANullPartAsItWas) {
    ZNBPTuple t;
    t.SetEntity("Laser", "LaserWriter", "Sales");
    t.SetEntity(nullptr, nullptr, "Support");
    EXPECT_EQ(std::string(t.GetObjectA()), "Laser");
    EXPECT_EQ(std::string(t.GetZone()), "Support");
}

TEST(ZNBPTuple, AddressesAreSetAndReadAsBlocksOrAsNumbers) {
    ZNBPTuple t;
    const _AddrBlock in{65535, 254, 253};
    t.SetAddress(&in);
    _AddrBlock out{};
    t.GetAddress(&out);
    EXPECT_EQ(out.network, 65535);
    EXPECT_EQ(out.nodeID, 254);
    EXPECT_EQ(out.socket, 253);
    t.SetAddress(1, 2, 3);
    EXPECT_EQ(t.GetNetwork(), 1);
    EXPECT_EQ(t.GetNodeID(), 2);
    EXPECT_EQ(t.GetSocket(), 3);
}

// Around the 33 characters a field holds: longer text is cut, and the next field is never
// reached.
class TupleTextLength : public ::testing::TestWithParam<int> {};

TEST_P(TupleTextLength, IsCutToTheFieldAndNeverSpillsIntoTheNextOne) {
    const std::string text(static_cast<std::size_t>(GetParam()), 'T');
    ZNBPTuple t;
    t.SetObject("o");
    t.SetZone("z");
    t.SetType(text.c_str());
    const std::size_t kept = text.size() < 33 ? text.size() : 33;
    EXPECT_EQ(std::string(t.GetType()), text.substr(0, kept));
    EXPECT_EQ(std::string(t.GetZone()), "z");
    EXPECT_EQ(std::string(t.GetObjectA()), "o");
}

INSTANTIATE_TEST_SUITE_P(AroundCapacity, TupleTextLength, ::testing::Values(0, 32, 33, 34, 255));

TEST(ZNBPTuple, ReadsAnUnterminatedFieldOfAHostRecordNoFurtherThanTheField) {
    _NBPTuple in = recordFilledWith('A');
    const ZNBPTuple t(&in);
    EXPECT_EQ(t.GetObjectA().GetLength(), 33);
}

TEST(ZNBPTuple, TwoTuplesWithTheSameNamesAndDifferentAddressesAreTheSameEntity) {
    const _NBPTuple a = record("Caf\x8E", "LaserWriter", "Sales", 1, 2, 3);
    const _NBPTuple b = record("CAF\x83", "laserwriter", "SALES", 4, 5, 6);
    const ZNBPTuple ta(&a);
    const ZNBPTuple tb(&b);
    EXPECT_EQ(ta.Compare(&b, 0), 0);
    EXPECT_EQ(ta.Compare(&tb, 0), 0);
    EXPECT_EQ(ta.Compare(&tb, 1), 0) << "the tuple overload always compares with flag 0";
    const _NBPTuple c = record("Cafe", "LaserWriter", "Sales");
    EXPECT_NE(ta.Compare(&c, 0), 0);
}

TEST(ZNBPTuple, CarriesItsOwnRunTimeClassThatCannotBeSerialisedOrCreated) {
    const ZNBPTuple t;
    const CRuntimeClass* rc = t.GetRuntimeClass();
    ASSERT_EQ(rc, RUNTIME_CLASS(ZNBPTuple));
    EXPECT_STREQ(rc->m_lpszClassName, "ZNBPTuple");
    EXPECT_EQ(rc->m_pBaseClass, RUNTIME_CLASS(CObject));
    EXPECT_EQ(rc->m_wSchema, 0xFFFFu);
    EXPECT_EQ(rc->m_pfnCreateObject, nullptr);
    EXPECT_TRUE(t.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(t.IsSerializable());
}

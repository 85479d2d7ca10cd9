// SPDX-License-Identifier: MIT
#include "vidur20/nbp/ZNBPTupleList.h"

#include <string>

#include <gtest/gtest.h>

namespace {

_NBPTuple record(const char* object, WORD net = 0, BYTE node = 0, BYTE socket = 0) {
    _NBPTuple r{};
    NBPSetEntityName(&r.entity, object, "LaserWriter", "Sales");
    r.address = {net, node, socket};
    return r;
}

// Counts its deletions, so ownership can be checked.
class CountedTuple : public ZNBPTuple {
public:
    CountedTuple(const _NBPTuple& r, int& deletions) : ZNBPTuple(&r), m_deletions(deletions) {}
    ~CountedTuple() override { ++m_deletions; }

private:
    int& m_deletions;
};

} // namespace

TEST(ZNBPTupleList, GivesAcceptedTuplesConsecutiveIndexesFromZero) {
    ZNBPTupleList list;
    const _NBPTuple a = record("A"), b = record("B");
    EXPECT_EQ(list.Add(new ZNBPTuple(&a)), 0);
    EXPECT_EQ(list.Add(new ZNBPTuple(&b)), 1);
    EXPECT_EQ(list.GetSize(), 2);
}

TEST(ZNBPTupleList, RefusesASecondTupleForTheSameEntityAndKeepsTheFirstAddress) {
    ZNBPTupleList list;
    const _NBPTuple first = record("A", 1, 2, 3);
    const _NBPTuple again = record("a", 7, 8, 9);
    ASSERT_EQ(list.Add(new ZNBPTuple(&first)), 0);
    ZNBPTuple* refused = new ZNBPTuple(&again);
    EXPECT_EQ(list.Add(refused), -1);
    delete refused; // still the caller's
    ASSERT_EQ(list.GetSize(), 1);
    EXPECT_EQ(list.GetTuple(0)->GetNetwork(), 1);
}

TEST(ZNBPTupleList, UpdatesTheAddressOfTheMatchingEntryOnlyKeepingNamesAndEnumerator) {
    ZNBPTupleList list;
    _NBPTuple a = record("A");
    EXPECT_EQ(list.UpdateAddress(&a), 0) << "empty list";
    a.enumerator = 4;
    const _NBPTuple b = record("B");
    list.Add(new ZNBPTuple(&a));
    list.Add(new ZNBPTuple(&b));
    const _NBPTuple found = record("B", 4096, 12, 129);
    EXPECT_EQ(list.UpdateAddress(&found), 1);
    _NBPTuple out{};
    ASSERT_EQ(list.GetTuple(1)->GetNBPTuple(&out), 1);
    EXPECT_STREQ(out.entity.object, "B");
    EXPECT_EQ(out.address.network, 4096);
    EXPECT_EQ(out.address.nodeID, 12);
    EXPECT_EQ(out.address.socket, 129);
    EXPECT_EQ(list.GetTuple(0)->GetNetwork(), 0);
    EXPECT_EQ(list.GetTuple(0)->GetEnum(), 4);
    const _NBPTuple stranger = record("C", 1, 1, 1);
    EXPECT_EQ(list.UpdateAddress(&stranger), 0);
}

TEST(ZNBPTupleList, UpdatesOnlyTheFirstOfTwoMatchingEntriesPlacedThroughTheArray) {
    ZNBPTupleList list;
    const _NBPTuple a = record("A");
    list.CObArray::Add(new ZNBPTuple(&a));
    list.CObArray::Add(new ZNBPTuple(&a));
    const _NBPTuple found = record("A", 5, 6, 7);
    EXPECT_EQ(list.UpdateAddress(&found), 1);
    EXPECT_EQ(list.GetTuple(0)->GetNetwork(), 5);
    EXPECT_EQ(list.GetTuple(1)->GetNetwork(), 0);
}

TEST(ZNBPTupleList, DeletesEachAcceptedTupleOnceAndSkipsNullElements) {
    int deletions = 0;
    {
        ZNBPTupleList list;
        list.Add(new CountedTuple(record("A"), deletions));
        list.CObArray::Add(nullptr);
        list.Add(new CountedTuple(record("B"), deletions));
        EXPECT_EQ(list.GetSize(), 3);
        const _NBPTuple c = record("C");
        EXPECT_EQ(list.UpdateAddress(&c), 0) << "the null element is passed over";
    }
    EXPECT_EQ(deletions, 2);
}

TEST(ZNBPTupleList, HasTheArraysRunTimeClass) {
    const ZNBPTupleList list;
    EXPECT_EQ(list.GetRuntimeClass(), RUNTIME_CLASS(CObArray));
}

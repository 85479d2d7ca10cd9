// SPDX-License-Identifier: MIT
#include "platform/core/CObList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Item : public CObject {};

class CObListTest : public ::testing::Test {
protected:
    Item items[5];
    CObList list;

    std::vector<CObject*> forward() const {
        std::vector<CObject*> out;
        for (POSITION pos = list.GetHeadPosition(); pos;) out.push_back(list.GetNext(pos));
        return out;
    }
    std::vector<CObject*> backward() const {
        std::vector<CObject*> out;
        for (POSITION pos = list.GetTailPosition(); pos;) out.insert(out.begin(), list.GetPrev(pos));
        return out;
    }
    void expectContents(const std::vector<CObject*>& expected) {
        EXPECT_EQ(forward(), expected);
        EXPECT_EQ(backward(), expected); // both link directions agree
        EXPECT_EQ(list.GetCount(), static_cast<int>(expected.size()));
    }
};

TEST_F(CObListTest, NewListIsEmpty) {
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.GetTailPosition(), nullptr);
    EXPECT_EQ(list.FindIndex(0), nullptr);
}

TEST_F(CObListTest, AddHeadAndAddTailBuildTheOrder) {
    list.AddTail(&items[1]);
    list.AddHead(&items[0]);
    list.AddTail(&items[2]);
    expectContents({&items[0], &items[1], &items[2]});
    EXPECT_EQ(list.GetHead(), &items[0]);
    EXPECT_EQ(list.GetTail(), &items[2]);
}

TEST_F(CObListTest, RemoveHeadAndTailReturnTheRemovedElement) {
    list.AddTail(&items[0]);
    list.AddTail(&items[1]);
    list.AddTail(&items[2]);
    EXPECT_EQ(list.RemoveHead(), &items[0]);
    EXPECT_EQ(list.RemoveTail(), &items[2]);
    expectContents({&items[1]});
    EXPECT_EQ(list.RemoveTail(), &items[1]);
    expectContents({});
    list.AddHead(&items[3]); // usable again after becoming empty
    expectContents({&items[3]});
}

TEST_F(CObListTest, RemoveAtUnlinksMiddleHeadAndTail) {
    POSITION first = list.AddTail(&items[0]);
    POSITION middle = list.AddTail(&items[1]);
    POSITION last = list.AddTail(&items[2]);
    list.RemoveAt(middle);
    expectContents({&items[0], &items[2]});
    list.RemoveAt(first);
    expectContents({&items[2]});
    list.RemoveAt(last);
    expectContents({});
}

TEST_F(CObListTest, InsertBeforeAndAfterKeepLinksConsistent) {
    POSITION middle = list.AddTail(&items[2]);
    list.InsertBefore(middle, &items[1]);
    list.InsertAfter(middle, &items[3]);
    list.InsertBefore(list.GetHeadPosition(), &items[0]);
    list.InsertAfter(list.GetTailPosition(), &items[4]);
    expectContents({&items[0], &items[1], &items[2], &items[3], &items[4]});
}

TEST_F(CObListTest, FindSearchesFromHeadOrAfterAPosition) {
    list.AddTail(&items[0]);
    POSITION firstOne = list.AddTail(&items[1]);
    list.AddTail(&items[2]);
    POSITION secondOne = list.AddTail(&items[1]);
    EXPECT_EQ(list.Find(&items[1]), firstOne);
    EXPECT_EQ(list.Find(&items[1], firstOne), secondOne);
    EXPECT_EQ(list.Find(&items[1], secondOne), nullptr);
    EXPECT_EQ(list.Find(&items[4]), nullptr);
}

TEST_F(CObListTest, FindIndexCountsFromZeroAndRejectsOutOfRange) {
    list.AddTail(&items[0]);
    list.AddTail(&items[1]);
    EXPECT_EQ(list.GetAt(list.FindIndex(1)), &items[1]);
    EXPECT_EQ(list.FindIndex(2), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);
}

TEST_F(CObListTest, SetAtAndReferenceAccessorsReplaceElements) {
    POSITION pos = list.AddTail(&items[0]);
    list.AddTail(&items[1]);
    list.SetAt(pos, &items[2]);
    list.GetTail() = &items[3];
    POSITION walk = list.GetHeadPosition();
    list.GetNext(walk) = &items[4];
    expectContents({&items[4], &items[3]});
}

TEST_F(CObListTest, AddingAnotherListKeepsItsOrder) {
    CObList other;
    other.AddTail(&items[0]);
    other.AddTail(&items[1]);
    list.AddTail(&items[2]);
    list.AddHead(&other);
    list.AddTail(&other);
    expectContents({&items[0], &items[1], &items[2], &items[0], &items[1]});
    EXPECT_EQ(other.GetCount(), 2);
}

TEST_F(CObListTest, RemoveAllEmptiesTheList) {
    for (auto& item : items) list.AddTail(&item);
    list.RemoveAll();
    expectContents({});
}

TEST_F(CObListTest, HeadOfEmptyListStopsTheProcess) {
    EXPECT_DEATH(static_cast<void>(list.GetHead()), "assertion failed");
    EXPECT_DEATH(static_cast<void>(list.RemoveTail()), "assertion failed");
}

} // namespace

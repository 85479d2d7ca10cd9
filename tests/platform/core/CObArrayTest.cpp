// SPDX-License-Identifier: MIT
#include "platform/core/CObArray.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Item : public CObject {};

// Exposes the allocated capacity, which the framework keeps protected.
class ProbedArray : public CObArray {
public:
    int Capacity() const { return m_nMaxSize; }
};

class CObArrayTest : public ::testing::Test {
protected:
    Item items[6];
    std::vector<CObject*> contents(const CObArray& array) {
        std::vector<CObject*> out;
        for (int i = 0; i < array.GetSize(); ++i) out.push_back(array[i]);
        return out;
    }
};

TEST_F(CObArrayTest, AddAppendsAndReturnsTheIndex) {
    CObArray array;
    EXPECT_EQ(array.GetUpperBound(), -1);
    EXPECT_EQ(array.Add(&items[0]), 0);
    EXPECT_EQ(array.Add(&items[1]), 1);
    EXPECT_EQ(array.GetSize(), 2);
    EXPECT_EQ(array.GetUpperBound(), 1);
    EXPECT_EQ(array.GetAt(1), &items[1]);
    EXPECT_EQ(array.GetData()[0], &items[0]);
}

TEST_F(CObArrayTest, SetSizeGrowsWithNullsAndShrinks) {
    CObArray array;
    array.Add(&items[0]);
    array.SetSize(3);
    EXPECT_EQ(contents(array), (std::vector<CObject*>{&items[0], nullptr, nullptr}));
    array.SetSize(1);
    EXPECT_EQ(contents(array), (std::vector<CObject*>{&items[0]}));
    array.SetSize(2); // slots freed by shrinking come back empty
    EXPECT_EQ(array[1], nullptr);
}

TEST_F(CObArrayTest, GrowthHonoursTheGrowByStep) {
    ProbedArray array;
    array.SetSize(0, 10);
    array.Add(&items[0]);
    EXPECT_EQ(array.Capacity(), 10);
    for (int i = 1; i < 10; ++i) array.Add(&items[0]);
    EXPECT_EQ(array.Capacity(), 10);
    array.Add(&items[0]);
    EXPECT_EQ(array.Capacity(), 20);
    array.SetSize(45);
    EXPECT_EQ(array.Capacity(), 45); // a jump past one step takes exactly what is needed
}

TEST_F(CObArrayTest, DefaultGrowthIsAnEighthAtLeastFour) {
    ProbedArray array;
    array.Add(&items[0]);
    EXPECT_EQ(array.Capacity(), 4);
    array.SetSize(64);
    array.Add(&items[0]);
    EXPECT_EQ(array.Capacity(), 64 + 8);
}

TEST_F(CObArrayTest, InsertAtShiftsLaterElements) {
    CObArray array;
    array.Add(&items[0]);
    array.Add(&items[2]);
    array.InsertAt(1, &items[1]);
    array.InsertAt(0, &items[3], 2);
    EXPECT_EQ(contents(array), (std::vector<CObject*>{&items[3], &items[3], &items[0], &items[1], &items[2]}));
}

TEST_F(CObArrayTest, InsertAtPastTheEndGrowsWithNulls) {
    CObArray array;
    array.InsertAt(2, &items[0]);
    EXPECT_EQ(contents(array), (std::vector<CObject*>{nullptr, nullptr, &items[0]}));
}

TEST_F(CObArrayTest, RemoveAtClosesTheGap) {
    CObArray array;
    for (auto& item : items) array.Add(&item);
    array.RemoveAt(1, 3);
    EXPECT_EQ(contents(array), (std::vector<CObject*>{&items[0], &items[4], &items[5]}));
    array.RemoveAt(2);
    EXPECT_EQ(contents(array), (std::vector<CObject*>{&items[0], &items[4]}));
    array.RemoveAll();
    EXPECT_EQ(array.GetSize(), 0);
}

TEST_F(CObArrayTest, ElementAtAndSubscriptWriteInPlace) {
    CObArray array;
    array.SetSize(2);
    array.ElementAt(0) = &items[4];
    array[1] = &items[5];
    array.SetAt(0, &items[3]);
    EXPECT_EQ(contents(array), (std::vector<CObject*>{&items[3], &items[5]}));
}

TEST_F(CObArrayTest, AppendAndCopyTakeTheOtherArraysPointers) {
    CObArray a;
    CObArray b;
    a.Add(&items[0]);
    b.Add(&items[1]);
    b.Add(&items[2]);
    EXPECT_EQ(a.Append(b), 1);
    EXPECT_EQ(contents(a), (std::vector<CObject*>{&items[0], &items[1], &items[2]}));
    a.Copy(b);
    EXPECT_EQ(contents(a), contents(b));
    a.InsertAt(1, &b);
    EXPECT_EQ(contents(a), (std::vector<CObject*>{&items[1], &items[1], &items[2], &items[2]}));
}

TEST_F(CObArrayTest, IndexOutOfRangeStopsTheProcess) {
    CObArray array;
    array.Add(&items[0]);
    EXPECT_DEATH(static_cast<void>(array.GetAt(1)), "assertion failed");
    EXPECT_DEATH(array.RemoveAt(0, 2), "assertion failed");
}

} // namespace

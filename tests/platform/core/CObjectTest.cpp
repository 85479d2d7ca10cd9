// SPDX-License-Identifier: MIT
#include "platform/core/CObArray.h"
#include "platform/core/CObject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

class TestShape : public CObject {
    DECLARE_DYNAMIC(TestShape)
};
IMPLEMENT_DYNAMIC(TestShape, CObject)

class TestCircle : public TestShape {
    DECLARE_DYNCREATE(TestCircle)
public:
    int radius = 7;
};
IMPLEMENT_DYNCREATE(TestCircle, TestShape)

} // namespace

namespace {

TEST(CRuntimeClassRecord, HoldsNameSizeSchemaAndBase) {
    const CRuntimeClass* pClass = RUNTIME_CLASS(TestCircle);
    EXPECT_STREQ(pClass->m_lpszClassName, "TestCircle");
    EXPECT_EQ(pClass->m_nObjectSize, static_cast<int>(sizeof(TestCircle)));
    EXPECT_EQ(pClass->m_wSchema, 0xFFFFu);
    EXPECT_EQ(pClass->m_pBaseClass, RUNTIME_CLASS(TestShape));
    EXPECT_EQ(RUNTIME_CLASS(TestShape)->m_pBaseClass, RUNTIME_CLASS(CObject));
    EXPECT_EQ(RUNTIME_CLASS(CObject)->m_pBaseClass, nullptr);
    EXPECT_EQ(&TestCircle::classTestCircle, pClass);
}

TEST(CRuntimeClassRecord, DerivationFollowsTheBaseChainOnly) {
    EXPECT_TRUE(RUNTIME_CLASS(TestCircle)->IsDerivedFrom(RUNTIME_CLASS(TestShape)));
    EXPECT_TRUE(RUNTIME_CLASS(TestCircle)->IsDerivedFrom(RUNTIME_CLASS(CObject)));
    EXPECT_TRUE(RUNTIME_CLASS(TestShape)->IsDerivedFrom(RUNTIME_CLASS(TestShape)));
    EXPECT_FALSE(RUNTIME_CLASS(TestShape)->IsDerivedFrom(RUNTIME_CLASS(TestCircle)));
    EXPECT_FALSE(RUNTIME_CLASS(TestCircle)->IsDerivedFrom(RUNTIME_CLASS(CObArray)));
}

TEST(CRuntimeClassRecord, OnlyDynCreateClassesCanBeCreated) {
    std::unique_ptr<CObject> created(RUNTIME_CLASS(TestCircle)->CreateObject());
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(created->IsKindOf(RUNTIME_CLASS(TestCircle)));
    EXPECT_EQ(static_cast<TestCircle*>(created.get())->radius, 7);
    EXPECT_EQ(RUNTIME_CLASS(TestShape)->CreateObject(), nullptr);
}

TEST(CRuntimeClassRecord, FindsRegisteredClassesByExactName) {
    EXPECT_EQ(CRuntimeClass::FromName("TestCircle"), RUNTIME_CLASS(TestCircle));
    EXPECT_EQ(CRuntimeClass::FromName("CObject"), RUNTIME_CLASS(CObject));
    EXPECT_EQ(CRuntimeClass::FromName("CObArray"), RUNTIME_CLASS(CObArray));
    EXPECT_EQ(CRuntimeClass::FromName("testcircle"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
}

TEST(CObjectRuntimeInfo, VirtualGetRuntimeClassAnswersTheDynamicType) {
    TestCircle circle;
    const CObject& asObject = circle;
    EXPECT_EQ(asObject.GetRuntimeClass(), RUNTIME_CLASS(TestCircle));
    EXPECT_TRUE(asObject.IsKindOf(RUNTIME_CLASS(TestShape)));
    EXPECT_FALSE(asObject.IsKindOf(RUNTIME_CLASS(CObArray)));
    EXPECT_FALSE(asObject.IsSerializable());
}

TEST(CObjectDiagnostics, DumpNamesTheClass) {
    TestCircle circle;
    CDumpContext dc;
    circle.Dump(dc);
    EXPECT_EQ(dc.GetText().rfind("a TestCircle at $", 0), 0u);
}

} // namespace

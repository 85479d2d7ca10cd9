// SPDX-License-Identifier: MIT
// MPPAlloc and MPPFree, the handle table, and the shared library's exports.
#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/EnumerationTable.h"
#include "tarvlib/DispatchBlockAccess.h"
#include "tarvlib/TarvlibApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <dlfcn.h>
#include <set>
#include <vector>

namespace appletalk::api {

using namespace appletalk::runtime;
namespace {

TEST(DispatchBlocks, AreZeroedAndAlignedForTheResultField) {
    std::vector<_DispatchBlock*> blocks;
    for (int i = 0; i < 8; ++i) {
        _DispatchBlock* block = nullptr;
        ASSERT_EQ(MPPAlloc(&block, 0), kOk);
        ASSERT_NE(block, nullptr);
        const auto* bytes = reinterpret_cast<const uint8_t*>(block);
        EXPECT_TRUE(std::all_of(bytes, bytes + sizeof *block, [](uint8_t b) { return b == 0; }));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&block->result) % alignof(int32_t), 0u);
        blocks.push_back(block);
    }
    for (_DispatchBlock* block : blocks) EXPECT_EQ(MPPFree(block), kOk);
}

TEST(DispatchBlocks, FreeingNullTwiceOrABlockNotHandedOutIsRefused) {
    _DispatchBlock* block = nullptr;
    ASSERT_EQ(MPPAlloc(&block, 0), kOk);
    EXPECT_EQ(MPPFree(block), kOk);
    EXPECT_EQ(MPPFree(block), kErrBadArgument);
    EXPECT_EQ(MPPFree(nullptr), kErrBadArgument);
    _DispatchBlock own{};
    EXPECT_EQ(MPPFree(&own), kErrBadArgument);
    EXPECT_EQ(MPPAlloc(nullptr, 0), kErrBadArgument);
    EXPECT_EQ(MPPAlloc(&block, 1), kErrBadArgument);
}

TEST(DispatchBlocks, FieldsAreLittleEndianAtTheirOffsets) {
    _DispatchBlock block{};
    DispatchBlockAccess::writeU16(block, 52, 0x1234);
    DispatchBlockAccess::writeU32(block, 56, 0xA1B2C3D4);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&block);
    EXPECT_EQ(bytes[52], 0x34);
    EXPECT_EQ(bytes[53], 0x12);
    EXPECT_EQ(bytes[56], 0xD4);
    EXPECT_EQ(bytes[59], 0xA1);
    EXPECT_EQ(DispatchBlockAccess::readU32(block, 56), 0xA1B2C3D4u);
    // A status text is cut to its field with the terminator inside: 491 characters at most.
    const std::string longText(600, 's');
    EXPECT_EQ(DispatchBlockAccess::writeText(block, DB_STATUS_TEXT_OFFSET, DB_STATUS_TEXT_SIZE, longText), 491u);
    EXPECT_EQ(bytes[DISPATCH_BLOCK_SIZE - 1], 0);
}

TEST(EnumerationHandles, AreNeverZeroNeverReusedSoonAndUnknownOnesFindNothing) {
    // Started just below the wrap-around, so the table must step over 0.
    EnumerationTable<int> table(0xFFFFFFFEu);
    std::set<ATEnumHandle> seen;
    for (int i = 0; i < 5; ++i) {
        const ATEnumHandle handle = table.add(std::make_shared<int>(i));
        EXPECT_NE(handle, 0u);
        EXPECT_TRUE(seen.insert(handle).second);
        EXPECT_NE(table.remove(handle), nullptr);
    }
    EXPECT_EQ(table.find(0), nullptr);
    EXPECT_EQ(table.find(*seen.begin()), nullptr);
    EXPECT_EQ(table.remove(*seen.begin()), nullptr);
    EXPECT_EQ(table.size(), 0u);
}

TEST(EnumerationHandles, RunOutWhenACallerNeverCloses) {
    EnumerationTable<int> table(1);
    ATEnumHandle handle = 1;
    std::size_t opened = 0;
    while ((handle = table.add(std::make_shared<int>(0))) != 0) ++opened;
    EXPECT_EQ(opened, table.size());
    EXPECT_GT(opened, 100u);
}

#ifdef TARVLIB_SHARED_LIBRARY
// Hosts see the functions, unversioned; the stack's classes, which the programs of this tree
// use, only under the version of this release; the rest not at all.
TEST(SharedLibrary, ExportsTheFunctionsAndTheStackOnlyUnderItsRelease) {
    void* library = ::dlopen(TARVLIB_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    for (const char* name : {"ZIPOpenEnum",
                             "ZIPEnumStatus",
                             "ZIPZoneCount",
                             "ZIPReadEnum",
                             "ZIPCloseEnum",
                             "ZIPGetMyZone",
                             "NBPOpenEnum",
                             "NBPEnumStatus",
                             "NBPFoundCount",
                             "NBPReadEnum",
                             "NBPCloseEnum",
                             "NBPSetEntityName",
                             "NBPCompareEntity",
                             "NBPCrackProfileString",
                             "PAPGetDefaultPrinter",
                             "PAPSetDefaultPrinter",
                             "IsPostScriptPrinterType",
                             "MPPAlloc",
                             "MPPFree",
                             "ATALKDispatch"})
        EXPECT_NE(::dlsym(library, name), nullptr) << name;
    const char* stackInstance = "_ZN9appletalk7runtime5Stack8instanceEv";
    EXPECT_NE(::dlvsym(library, stackInstance, "TARVLIB_PRIVATE_" VIDUR_PROJECT_VERSION), nullptr);
    EXPECT_EQ(::dlvsym(library, stackInstance, "TARVLIB_PRIVATE_0.0.0"), nullptr);
    EXPECT_EQ(::dlsym(library, "tarvlibExportTable"), nullptr);
    ::dlclose(library);
}
#endif

} // namespace
} // namespace appletalk::api

// SPDX-License-Identifier: MIT
// A stack whose link cannot be opened: every function answers with an error at once, and
// nothing waits forever.
#include "support/ScopedEnvironment.h"

#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/Stack.h"
#include "tarvlib/DispatchBlockAccess.h"
#include "tarvlib/TarvlibApi.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace appletalk::runtime {

using api::DispatchBlockAccess;
namespace {

struct OfflineStack : ::testing::Test {
    void SetUp() override {
        // An address that names no interface: the link is refused before anything is sent.
        environment.set("VIDUR_NETWORK", "ltoudp:not-an-address");
        Stack::install(nullptr);
    }
    void TearDown() override { Stack::install(nullptr); }
    testing::ScopedEnvironment environment;
};

TEST_F(OfflineStack, ReportsThatItHasNoNetwork) {
    const auto stack = Stack::instance();
    ASSERT_NE(stack, nullptr);
    EXPECT_FALSE(stack->isOnline());
    EXPECT_NE(stack->problem().find("not-an-address"), std::string::npos);
}

// What the process writes on its stderr while `work` runs.
template <typename Work>
std::string stderrOf(const testing::ScopedEnvironment& environment, Work work) {
    const auto path = environment.profileDir() / "stderr.txt";
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    std::FILE* capture = std::fopen(path.c_str(), "w");
    ::dup2(::fileno(capture), STDERR_FILENO);
    work();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::fclose(capture);
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

TEST_F(OfflineStack, WritesNothingOnTheHostsStderrAndKeepsTheReasonForCallers) {
    environment.set("VIDUR_LTOUDP_PORT", "0"); // a setting it ignores: no word of that either
    const std::string written = stderrOf(environment, [] {
        ATEnumHandle zones = 0;
        EXPECT_EQ(ZIPOpenEnum(&zones, 0), kOk);
        EXPECT_EQ(ZIPEnumStatus(zones), kErrNoNetwork);
        ZIPCloseEnum(zones);
    });
    EXPECT_EQ(written, "");
    ASSERT_NE(Stack::current(), nullptr);
    EXPECT_NE(Stack::current()->problem().find("not-an-address"), std::string::npos);
    EXPECT_EQ(Stack::current()->settings().problems.size(), 1u);
}

TEST_F(OfflineStack, TellsWhyOnStderrOnlyWhenDebuggingIsAskedFor) {
    environment.set("VIDUR_DEBUG", "1");
    const std::string written = stderrOf(environment, [] { Stack::instance(); });
    EXPECT_NE(written.find("tarvlib: no AppleTalk network: "), std::string::npos) << written;
    EXPECT_NE(written.find("not-an-address"), std::string::npos) << written;
}

TEST_F(OfflineStack, EnumerationsOpenAndFailAtOnce) {
    for (int which : {ZIP_ENUM_ALL_ZONES, ZIP_ENUM_LOCAL_ZONES}) {
        ATEnumHandle zones = 0;
        ASSERT_EQ(ZIPOpenEnum(&zones, which), kOk);
        EXPECT_EQ(ZIPEnumStatus(zones), kErrNoNetwork);
        EXPECT_EQ(ZIPCloseEnum(zones), kOk);
    }

    _NBPEntityName name;
    std::memset(&name, 0, sizeof name);
    NBPSetEntityName(&name, "=", "LaserWriter", "*");
    ATEnumHandle lookup = 0;
    ASSERT_EQ(NBPOpenEnum(&lookup, 2, 2, 1024, &name), kOk);
    EXPECT_EQ(NBPEnumStatus(lookup), kErrNoNetwork);
    EXPECT_EQ(NBPCloseEnum(lookup), kOk);

    char zone[NBP_NAME_FIELD_SIZE] = "before";
    EXPECT_EQ(ZIPGetMyZone(zone), kErrNoNetwork);
    EXPECT_STREQ(zone, "before");
}

TEST_F(OfflineStack, DispatchedRequestsFailInTheResultFieldTheCallerPolls) {
    _DispatchBlock info{};
    info.command = ATALK_CMD_NODE_INFO;
    ATALKDispatch(&info);
    EXPECT_LT(DispatchBlockAccess::loadResult(info), 0);

    _DispatchBlock status{};
    status.command = ATALK_CMD_PRINTER_STATUS;
    _NBPTuple printer;
    std::memset(&printer, 0, sizeof printer);
    NBPSetEntityName(&printer.entity, "Laser 1", "LaserWriter", "Engineering");
    printer.address = {1, 200, 130};
    DispatchBlockAccess::writeTuple(status, DB_STATUS_TUPLE_OFFSET, printer);
    ATALKDispatch(&status);
    EXPECT_LT(DispatchBlockAccess::loadResult(status), 0);
}

} // namespace
} // namespace appletalk::runtime

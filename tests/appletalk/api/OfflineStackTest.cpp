// A stack whose link cannot be opened: every function answers with an error at once, and
// nothing waits forever.
#include "ScopedEnvironment.h"

#include "appletalk/api/ApiResults.h"
#include "appletalk/api/DispatchBlockAccess.h"
#include "appletalk/api/Stack.h"
#include "appletalk/api/TarvlibApi.h"

#include <gtest/gtest.h>

#include <cstring>

namespace appletalk::api {
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
} // namespace appletalk::api

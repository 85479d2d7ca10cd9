// SPDX-License-Identifier: MIT
// Where a scenario's devices sit: a campus's worth on one extended network, each at an
// address of its own, and a scenario that asks more of a network than it holds refused when
// it is loaded, naming the network, what it holds and what was asked.
#include "appletalk/sim/AddressPlan.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace appletalk::sim {
namespace {

std::string scenarioText(const std::string& networks, int printers, const std::string& zone) {
    std::string text = networks;
    for (int i = 1; i <= printers; ++i)
        text += "[[printer]]\nname = \"P" + std::to_string(i) + "\"\nzone = \"" + zone + "\"\n";
    return text;
}

const std::string kCampus = "client_network = 100\n[[network]]\nrange = [100, 120]\nzones = [\"Big\"]\n";
const std::string kTwoLabs =
    "client_network = 1\n[[network]]\nnumber = 1\nzone = \"Home\"\n"
    "[[network]]\nnumber = 2\nzone = \"Lab\"\n";

TEST(AddressPlan, FiveThousandDevicesOfOneExtendedNetworkEachGetAnAddressOfTheirOwn) {
    ScenarioError error;
    const auto scenario = Scenario::parse(scenarioText(kCampus, 5000, "Big"), "campus.toml", error);
    ASSERT_TRUE(scenario.has_value()) << error.describe();
    std::string problem;
    const auto plan = AddressPlan::make(*scenario, false, problem);
    ASSERT_TRUE(plan.has_value()) << problem;
    std::set<std::pair<int, int>> addresses;
    std::set<int> numbers;
    for (std::size_t i = 0; i < 5000; ++i) {
        const DeviceAddress address = plan->printer(i);
        ASSERT_GE(address.network, 100);
        ASSERT_LE(address.network, 120);
        ASSERT_GE(address.node, 1);
        ASSERT_LE(address.node, 253);
        // The router's number keeps the workstation ids clients pick first.
        if (address.network == 100) {
            ASSERT_GT(address.node, AddressPlan::kWorkstationIdsKept);
        }
        addresses.insert({address.network, address.node});
        numbers.insert(address.network);
    }
    EXPECT_EQ(addresses.size(), 5000u);
    EXPECT_EQ(numbers.size(), 21u);
    // A small network stays on the first number with server ids, as its router.
    EXPECT_EQ(plan->printer(0).network, 100);
    EXPECT_EQ(plan->printer(0).node, 128);
}

TEST(AddressPlan, AScenarioTooBigForItsNetworkIsRefusedAtLoadNamingTheNetwork) {
    const struct {
        const char* name;
        std::string networks;
        int printers;
        const char* zone;
        const char* message; // empty: it fits
    } rows[] = {
        {"the client's LocalTalk network full", kTwoLabs, 237, "Home", ""},
        {"the client's LocalTalk network one over", kTwoLabs, 238, "Home",
         "network 1 (node ids 1-254, less the router's and 16 kept for workstations) holds at most 237 devices; "
         "the scenario puts 238 there"},
        {"another LocalTalk network full", kTwoLabs, 253, "Lab", ""},
        {"a campus over", kCampus, 6000, "Big",
         "network 100-120 (node ids 1-253 on each of its 21 numbers, less 16 kept for workstations) holds at most "
         "5297 devices; the scenario puts 6000 there"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScenarioError error;
        const auto scenario = Scenario::parse(scenarioText(row.networks, row.printers, row.zone), "big.toml", error);
        if (std::string(row.message).empty()) {
            EXPECT_TRUE(scenario.has_value()) << error.describe();
            continue;
        }
        ASSERT_FALSE(scenario.has_value());
        EXPECT_EQ(error.message, row.message);
        EXPECT_EQ(error.file, "big.toml");
        EXPECT_GT(error.line, 0u); // the network's table
    }
}

// Served on LToUDP the client's network is a LocalTalk cable, whatever the file calls it.
TEST(AddressPlan, AnExtendedClientNetworkServedOnLocalTalkHoldsWhatLocalTalkHolds) {
    ScenarioError error;
    const auto scenario = Scenario::parse(scenarioText(kCampus, 300, "Big"), "campus.toml", error);
    ASSERT_TRUE(scenario.has_value()) << error.describe();
    std::string problem;
    EXPECT_FALSE(AddressPlan::make(*scenario, true, problem).has_value());
    EXPECT_EQ(problem,
              "network 100-120 served on LocalTalk (node ids 1-254, less the router's and 16 kept for "
              "workstations) holds at most 237 devices; the scenario puts 300 there");
}

} // namespace
} // namespace appletalk::sim

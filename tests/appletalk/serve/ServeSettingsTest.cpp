// SPDX-License-Identifier: MIT
// What `vidur serve` reads from its settings files: the [Serve] section over the [Network]
// one, its queues and their names, its limits, and no network at all as an error.
#include "support/ScopedEnvironment.h"

#include "appletalk/serve/ServeSettings.h"

#include <gtest/gtest.h>

#include <fstream>

namespace appletalk::serve {
namespace {

TEST(ServeSettings, TheServeSectionNamesQueuesNamesAndLimitsAndItsNetworkYieldsToTheEnvironment) {
    testing::ScopedEnvironment environment;
    std::ofstream(environment.systemFile()) << "[Network]\nLink=ethertalk\nInterface=eth9\n"
                                               "[Serve]\nNetwork=ltoudp:127.0.0.1\nDefaultUser=macs\n"
                                               "[Serve Names]\nInkjet=Colour, upstairs\n";
    std::ofstream(environment.profileFile()) << "[Serve]\nQueues= laser=Laser 1 , inkjet,,\nMaxJobs=99\n"
                                                "MaxJobSize=64\n[Serve Names]\nlaser=Mine\n";
    const runtime::SettingsFiles files({environment.profileFile(), environment.systemFile()});

    const ServeSettings settings = ServeSettings::load(files);
    ASSERT_TRUE(settings.network.has_value()) << settings.problem;
    EXPECT_EQ(settings.network->link, runtime::LinkKind::LToUdp);
    EXPECT_EQ(settings.network->interfaceAddress, "127.0.0.1");
    EXPECT_EQ(settings.queues, (std::vector<QueueChoice>{{"laser", "Laser 1"}, {"inkjet", ""}}));
    EXPECT_EQ(settings.nameFor("INKJET"), "Colour, upstairs");
    EXPECT_EQ(settings.nameFor("laser"), "Mine") << "the user's file first, as for every key";
    EXPECT_EQ(settings.defaultUser, "macs");
    EXPECT_EQ(settings.limits.maxJobBytes, 64u * 1024 * 1024);
    EXPECT_EQ(settings.limits.maxJobs, ServeLimits{}.maxJobs);
    EXPECT_EQ(settings.problems, std::vector<std::string>{"MaxJobs=99 is not a number from 1 to 30"});

    environment.set("VIDUR_NETWORK", "ethertalk:eth7");
    EXPECT_EQ(ServeSettings::load(files).network->interfaceName, "eth7");
}

TEST(ServeSettings, NoNetworkAnywhereIsAnErrorNeverTheSimulatedNetwork) {
    testing::ScopedEnvironment environment;
    std::ofstream(environment.profileFile()) << "[Serve]\nQueues=laser\n";
    const ServeSettings settings =
        ServeSettings::load(runtime::SettingsFiles({environment.profileFile(), environment.systemFile()}));
    EXPECT_FALSE(settings.network.has_value());
    EXPECT_NE(settings.problem.find("does not exist"), std::string::npos) << settings.problem;
}

} // namespace
} // namespace appletalk::serve

// SPDX-License-Identifier: MIT
// The survey of a network's PostScript printers, on simulated networks and virtual time: every
// LaserWriter found, then each asked who it is within a bound.
#include "support/VirtualStack.h"

#include "appletalk/print/PrinterSurvey.h"

#include <gtest/gtest.h>

#include <optional>

namespace appletalk::print {
namespace {

TEST(PrinterSurvey, FindsEveryLaserWriterOfEveryZoneOnceSortedByZoneAndName) {
    testing::VirtualStack stack;
    std::optional<std::vector<DiscoveredPrinter>> found;
    PrinterSurvey survey(stack.stack->network(), nullptr, {"LaserWriter", "laserwriter"});
    survey.start([&found](std::vector<DiscoveredPrinter> printers) { found = std::move(printers); });
    ASSERT_TRUE(stack.runUntil([&] { return found.has_value(); }));
    std::vector<std::string> names;
    for (const auto& printer : *found) names.push_back(printer.name.zone + "/" + printer.name.object);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Building 4/Old LaserWriter Plus", "Design Studio/Design LaserWriter",
                                        "Engineering/Laser 1", "Engineering/Laser 2", "Finance/Finance LaserWriter",
                                        "Marketing/Marketing LaserWriter", "Z\x9Frich Office/Drucker Z\x9Frich"}));
}

TEST(PrinterSurvey, AsksEachPrinterWhoItIsAndOneThatCannotSayKeepsItsType) {
    testing::ScopedEnvironment files;
    const std::string scenario = testing::VirtualStack::scenarioFile(files, "models.toml", R"(client_network = 7
[[network]]
number = 7
zone = "Office"
[[printer]]
name = "Known"
zone = "Office"
product = "LaserWriter II NTX"
version = "47.0"
[[printer]]
name = "Plain"
zone = "Office"
[[printer]]
name = "Mute"
zone = "Office"
fail_after_bytes = 0
)");
    testing::VirtualStack stack(nullptr, 7, scenario);
    std::optional<std::vector<DiscoveredPrinter>> found;
    PrinterSurvey survey(stack.stack->network(), stack.stack->node(), {"LaserWriter"});
    const SteadyTime begin = stack.clock.now();
    survey.start([&found](std::vector<DiscoveredPrinter> printers) { found = std::move(printers); });
    ASSERT_TRUE(stack.runUntil([&] { return found.has_value(); }, std::chrono::minutes(1)));
    EXPECT_LE(stack.clock.now() - begin, std::chrono::seconds(15)) << "start, look-ups and the queries' bound";
    ASSERT_EQ(found->size(), 3u);
    const auto identity = [&](std::size_t i) { return (*found)[i].identity; };
    ASSERT_TRUE(identity(0).has_value()); // Known
    EXPECT_EQ(identity(0)->product, "LaserWriter II NTX");
    EXPECT_EQ(identity(0)->version, "47.0");
    EXPECT_FALSE(identity(1).has_value()) << "Mute went silent at the query's first byte";
    ASSERT_TRUE(identity(2).has_value()); // Plain
    EXPECT_EQ(identity(2)->product, "LaserWriter");
}

} // namespace
} // namespace appletalk::print

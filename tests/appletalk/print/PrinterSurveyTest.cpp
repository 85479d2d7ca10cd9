// SPDX-License-Identifier: MIT
// The survey of a network's PostScript printers, on the built-in network and virtual time.
#include "support/VirtualStack.h"

#include "appletalk/print/PrinterSurvey.h"

#include <gtest/gtest.h>

#include <optional>

namespace appletalk::print {
namespace {

TEST(PrinterSurvey, FindsEveryLaserWriterOfEveryZoneOnceSortedByZoneAndName) {
    testing::VirtualStack stack;
    std::optional<std::vector<DiscoveredPrinter>> found;
    PrinterSurvey survey(stack.stack->network(), {"LaserWriter", "laserwriter"});
    survey.start([&found](std::vector<DiscoveredPrinter> printers) { found = std::move(printers); });
    ASSERT_TRUE(stack.runUntil([&] { return found.has_value(); }));
    std::vector<std::string> names;
    for (const auto& printer : *found) names.push_back(printer.name.zone + "/" + printer.name.object);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Building 4/Old LaserWriter Plus", "Design Studio/Design LaserWriter",
                                        "Engineering/Laser 1", "Engineering/Laser 2", "Finance/Finance LaserWriter",
                                        "Marketing/Marketing LaserWriter", "Z\x9Frich Office/Drucker Z\x9Frich"}));
}

} // namespace
} // namespace appletalk::print

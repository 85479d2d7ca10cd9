// SPDX-License-Identifier: MIT
// One EtherTalk cable for the tests that start clients on it, in process and in network
// namespaces alike: the range 3..5 with two zones, a printer in the second zone that holds
// 3.130, and a LocalTalk network behind the router with another printer.
#pragma once

namespace appletalk::testing {

inline constexpr const char* kEtherTalkScenario = R"(title = "EtherTalk test"
client_network = 3

[[network]]
range = [3, 5]
zones = ["EtherTalk A", "EtherTalk B"]
default_zone = "EtherTalk A"

[[network]]
number = 8
zone = "Lager"

[[printer]]
name = "Near"
zone = "EtherTalk B"
node = 130

[[printer]]
name = "Far"
zone = "Lager"
status = "status: far away"
)";

} // namespace appletalk::testing

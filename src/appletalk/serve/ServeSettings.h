// SPDX-License-Identifier: MIT
// What `vidur serve` reads from AppleTalk.INI, beside the network it serves on (the [Network]
// section, or the [Serve] section's own Network key). Started by systemd it reads the system
// file alone; by hand, the user's file and the system file for what it lacks. A server never
// runs on the simulated network unless a setting says so outright: no network is an error.
//
//   [Serve]
//   Network=ltoudp:192.168.1.20   ; as --network; empty: the [Network] section's
//   Queues=laser, inkjet          ; the queues to publish; empty: every shared queue, followed
//   Type=LaserWriter              ; the NBP type they are published as
//   DefaultUser=appletalk         ; the CUPS user of a job whose header names none (%%For:)
//   MaxJobs=16                    ; connections at once; more are answered busy
//   MaxJobSize=512                ; megabytes
//   [Serve Names]
//   laser=Laser 1                 ; the name a queue is published under (else its description)
#pragma once

#include "appletalk/runtime/SettingsFiles.h"
#include "appletalk/runtime/StackSettings.h"
#include "appletalk/serve/ServeLimits.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace appletalk::serve {

// "QUEUE" or "QUEUE=NAME", UTF-8.
struct QueueChoice {
    std::string queue;
    std::string name; // empty: the queue's description, else its name

    static QueueChoice parse(std::string_view text);
    bool operator==(const QueueChoice&) const = default;
};

struct ServeSettings {
    static constexpr const char* kSection = "Serve";
    static constexpr const char* kNamesSection = "Serve Names";

    std::optional<runtime::StackSettings> network; // nothing: no network to serve on
    std::string problem; // why not, naming the file and what is wrong
    std::string source; // the files read, for a log line
    std::vector<QueueChoice> queues; // empty: every shared queue
    std::string type = "LaserWriter";
    std::string defaultUser = "appletalk";
    ServeLimits limits;
    std::vector<std::string> problems; // values not understood, and ignored
    std::map<std::string, std::string> names; // [Serve Names], by queue name in small letters

    // The files this program reads as one that serves others, the environment over them.
    static ServeSettings load();
    static ServeSettings load(const runtime::SettingsFiles& files);
    // The name [Serve Names] gives a queue (UTF-8); empty when none.
    std::string nameFor(std::string_view queue) const;
};

} // namespace appletalk::serve

// SPDX-License-Identifier: MIT
// The settings of a program that serves others: the CUPS backend and the print server. Such
// a program never falls back to the embedded simulated network, which would show printers
// that do not exist and report jobs printed that went nowhere: it runs on the network its
// settings or its caller (a printer URI) name outright, and otherwise says what is wrong and
// runs on none.
//
// Started by CUPS (CUPS' environment, or as the user lp) or by systemd for a service, it
// reads the system file alone, so no user's file can shadow the administrator's. Run by hand
// it reads what every program reads: the user's file, the system file for the keys the
// user's lacks.
#pragma once

#include "appletalk/runtime/SettingsFiles.h"
#include "appletalk/runtime/StackSettings.h"

#include <optional>
#include <string>

namespace appletalk::runtime {

struct ServerSettings {
    std::optional<StackSettings> settings; // nothing: no usable settings
    std::string problem; // why not, naming the file and what is wrong with it
    std::string source; // the files read, for a log line

    // The files a program in this context reads, the environment over them, `chosen` over both.
    static ServerSettings load(const NetworkOverride& chosen = {});
    static ServerSettings load(const SettingsFiles& files, const NetworkOverride& chosen);

    // True when CUPS or systemd started this process (see above).
    static bool startedByService();
};

} // namespace appletalk::runtime

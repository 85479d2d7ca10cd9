// SPDX-License-Identifier: MIT
// What the library reads from its own profile file "AppleTalk.INI" (in the profile folder
// of the platform: $VIDUR_PROFILE_DIR, else $XDG_CONFIG_HOME/vidur20, else ~/.config/vidur20),
// each key missing there taken from the system's file (SettingsFiles):
//
//   [Network]
//   Link=sim                  ; sim (the embedded simulated network), ltoudp or ethertalk
//   Scenario=                 ; sim: a scenario file; empty for the built-in one
//   Interface=127.0.0.1       ; ltoudp: address of the interface the group is joined on;
//                             ; ethertalk: the name of the Ethernet interface (eth0)
//   TTL=1                     ; ltoudp: multicast TTL, 0 keeps frames on this host
//   Port=1954                 ; ltoudp: UDP port of the group, 1..65535
//   EtherTalkAddress=3.45     ; ethertalk: the address held last time, tried first (written)
//   EtherTalkZone=            ; ethertalk: the zone chosen last time, asked for first (written)
//   [Printers]
//   PostScriptTypes=LaserWriter   ; NBP types of PostScript printers, comma-separated
//   DefaultPrinter=AppleTalk PAP; 300 56 130, Office:LaserWriter@Sales
//
// The default printer is written in the recent lists' form when that reads back as exactly
// this printer; any other (a zone with '@', a type with ':' or '@', a name with a line break)
// is written escaped, with its own tag and every ':', '@', '%', control character and blank
// at a name's start or end as %XX (hexadecimal), so every printer reads back exactly:
//   DefaultPrinter=AppleTalk PAP escaped; 300 56 130, Office:LaserWriter@North%40Campus
//
// Environment variables win over the file, so tests and scripts need not write it:
//   VIDUR_NETWORK=sim | sim:SCENARIO | ltoudp | ltoudp:ADDRESS | ethertalk:INTERFACE
//   VIDUR_LTOUDP_TTL=N
//   VIDUR_LTOUDP_PORT=N       (a private port, so tests do not meet real LToUDP traffic)
// With no settings at all the library runs the embedded default network; a program that
// serves others never does (ServerSettings). Settings that name a network wrongly (see
// networkProblem) give no network at all, never the embedded one in its place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarvlib/TarvlibRecords.h"

namespace appletalk::runtime {

class SettingsFiles;

enum class LinkKind { Sim, LToUdp, EtherTalk };

// A network named outright, over the files: the environment's VIDUR_NETWORK,
// VIDUR_LTOUDP_PORT and VIDUR_LTOUDP_TTL, or a printer URI's. Empty fields name nothing.
struct NetworkOverride {
    std::string network; // sim[:SCENARIO], ltoudp[:ADDRESS], ethertalk:NAME
    std::string port;
    std::string ttl;
    std::string origin = "the caller"; // for a problem: where the value came from
    std::string networkKey{}; // for a problem: the name `network` had there; empty for none

    static NetworkOverride fromEnvironment();
};

struct StackSettings {
    static constexpr const char* kProfileFile = "AppleTalk.INI";
    static constexpr const char* kNetworkSection = "Network";
    static constexpr const char* kPrintersSection = "Printers";

    LinkKind link = LinkKind::Sim;
    std::string scenarioPath; // empty: the built-in scenario
    std::string interfaceAddress = "127.0.0.1";
    std::string interfaceName; // ethertalk
    int ttl = 1;
    std::uint16_t port = 1954;
    std::vector<std::string> postScriptTypes{"LaserWriter"};
    // What could not be understood, so a caller can tell the user; the value was ignored.
    std::vector<std::string> problems;
    // Why the settings name no network the stack can run on: a Link= (or an override's
    // network) of no known kind, a scenario that cannot be read, a settings file that cannot
    // be read while no override names the network. The stack then runs on no network rather
    // than on the simulated one nobody chose. Names the file or origin, the key and the
    // value; empty when the network is usable as chosen.
    std::string networkProblem;
    // Where scenarioPath was named, for that message ("FILE: Scenario=PATH").
    std::string scenarioSource;
    // A file, the environment or an override named the link: the default is not in use.
    bool linkChosen = false;
    // An EtherTalk node keeps its address and zone in the user's file for its next start;
    // a program that serves others writes into no user's file.
    bool remembersAddress = true;

    // The user's file, the system file for what it lacks, then the environment.
    static StackSettings load();
    static StackSettings load(const SettingsFiles& files);
    // Only the environment: what load() does after reading the files.
    void applyEnvironment();
    void apply(const NetworkOverride& chosen);

    bool isPostScriptType(std::string_view nbpType) const;
    // The link as messages name it to users: "EtherTalk on eth0", "LToUDP on 127.0.0.1 port
    // 1954", "the simulated network".
    std::string networkName() const;
    // The network as the host's node service and its programs compare it: two settings with
    // the same key reach the same cable (ltoudp:127.0.0.1:1954, ethertalk:eth0, sim:SCENARIO).
    std::string networkKey() const;

    // The default printer, kept in the profile in one of the two forms above. The write holds
    // the file's lock for its read and its write, like every change of the file.
    static std::optional<_NBPTuple> readDefaultPrinter();
    static bool writeDefaultPrinter(const _NBPTuple& printer);

    // The EtherTalk node's last address and zone (network 0: none kept).
    struct EtherTalkMemory {
        std::uint16_t network = 0;
        std::uint8_t node = 0;
        std::string zone;
    };
    static EtherTalkMemory readEtherTalkMemory();
    static bool writeEtherTalkMemory(const EtherTalkMemory& memory);

private:
    void readFiles(const SettingsFiles& files);
    bool applyNetworkChoice(std::string_view choice);
    // networkProblem from what the files and the overrides said.
    void settle();

    std::string linkProblem_; // the link named cannot be told
    std::string unreadableFile_; // a settings file that exists but cannot be read
    bool linkOverridden_ = false; // an override named the network, over every file
};

} // namespace appletalk::runtime

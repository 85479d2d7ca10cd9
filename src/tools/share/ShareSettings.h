// SPDX-License-Identifier: MIT
// What `vidur share` reads from AppleTalk.INI, beside the network it serves on (the [Network]
// section, or the [Share] section's own Network key). Started by systemd it reads the system
// file alone; by hand, the user's file and the system file for what it lacks. As for `vidur
// serve`, no network is an error: a file server never runs on the simulated network unless a
// setting says so outright. The command line overrides every key.
//
//   [Share]
//   Network=ltoudp:192.168.1.20   ; as --network; empty: the [Network] section's
//   Name=Attic                    ; the server's name (default: the host's, cut to 31 characters)
//   Guest=yes                     ; guests may log in (default: yes unless Users names a file)
//   ReadOnly=no                   ; every volume read-only
//   Users=/etc/vidur20/share.users ; the password file of named users (`vidur passwd`)
//   Cleartext=no                  ; accept cleartext passwords
//   Tcp=548                       ; DSI on TCP: [ADDRESS:]PORT; empty: AppleTalk only
//   [Share Volumes]
//   Projects=/srv/projects        ; VOLUME=DIR, DIR[,read-only] for one volume read-only
#pragma once

#include "appletalk/runtime/ServerSettings.h" // SettingsFiles, StackSettings

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vidur::share {

struct ShareVolume {
    std::string name; // UTF-8, at most 27 Mac OS Roman bytes
    std::filesystem::path folder;
    bool readOnly = false;
};

struct TcpEndpoint {
    std::string address = "0.0.0.0"; // every interface, as a file server on the LAN is reached
    std::uint16_t port = 548;
};

struct ShareSettings {
    static constexpr const char* kSection = "Share";
    static constexpr const char* kVolumesSection = "Share Volumes";
    static constexpr std::size_t kMaxVolumeName = 27; // Mac OS Roman bytes
    static constexpr std::size_t kMaxServerName = 31;

    std::optional<appletalk::runtime::StackSettings> network; // nothing: no network to serve on
    std::string problem; // why not, naming the file and what is wrong
    std::string source; // the files read, for a log line
    std::string name; // empty: the host's name
    std::optional<bool> guest; // nothing: decided by whether named users are served
    bool readOnly = false;
    std::filesystem::path users; // empty: none named
    bool cleartext = false;
    std::optional<TcpEndpoint> tcp;
    std::vector<ShareVolume> volumes;
    // Values that cannot be used, each naming its file, key and value: the server does not
    // start on settings it would have to guess at.
    std::vector<std::string> errors;

    static ShareSettings load();
    static ShareSettings load(const appletalk::runtime::SettingsFiles& files);

    // "VOLUME=DIR" or "VOLUME=DIR,read-only"; nothing, with the reason, when it is not one.
    static std::optional<ShareVolume> parseVolume(std::string_view text, std::string& problem);
    static std::optional<ShareVolume> parseVolume(std::string_view name, std::string_view value, std::string& problem);
    // "[ADDRESS:]PORT", ADDRESS an IPv4 address.
    static std::optional<TcpEndpoint> parseTcp(std::string_view text, std::string& problem);
    // Why `name` cannot be a server's name (empty when it can).
    static std::string serverNameProblem(std::string_view name);
    // Why the volume cannot be served: its folder missing or not a folder. Empty when it can.
    static std::string folderProblem(const ShareVolume& volume);
    // The host's name, cut to 31 Mac OS Roman bytes.
    static std::string defaultServerName();
    // Where the volumes' ID and desktop databases live: $STATE_DIRECTORY (systemd's), else
    // $XDG_STATE_HOME/vidur20/share, else ~/.local/state/vidur20/share; one folder per volume
    // below it, named after the volume.
    static std::filesystem::path stateDirectory();
    static std::filesystem::path volumeStateDirectory(const std::filesystem::path& base, std::string_view volume);
};

} // namespace vidur::share

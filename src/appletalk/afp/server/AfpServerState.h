// SPDX-License-Identifier: MIT
// What every session of one server shares: the configuration, the open volumes, the table of
// open forks and locks, the log and the count of sessions. Held by the server and by each
// session, so a session that outlives its server still finds it.
#pragma once

#include "appletalk/afp/server/AfpLockTable.h"
#include "appletalk/afp/server/AfpServerConfig.h"
#include "appletalk/afp/server/auth/LoginExchange.h"
#include "appletalk/afp/server/auth/UserFile.h"
#include "appletalk/afp/volume/DesktopDatabase.h"
#include "appletalk/afp/volume/Volume.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace appletalk::afp {

struct AfpSharedVolume {
    ShareVolumeConfig config;
    std::string macName; // Mac OS Roman, as the clients see it
    std::uint16_t id = 0; // the volume ID the sessions use
    std::unique_ptr<Volume> volume;
    std::unique_ptr<DesktopDatabase> desktop;
};

class AfpServerState {
public:
    static std::shared_ptr<AfpServerState> create(AfpServerConfig config, std::string& problem);

    const AfpServerConfig& config() const { return config_; }
    std::vector<AfpSharedVolume>& volumes() { return volumes_; }
    AfpSharedVolume* volumeById(std::uint32_t id);
    AfpLockTable& locks() { return locks_; }
    const std::vector<std::uint8_t>& statusBlock() const { return statusBlock_; }
    const std::string& macServerName() const { return macServerName_; }
    const LoginPolicy& loginPolicy() const { return policy_; }

    void setLog(std::function<void(const std::string&)> log);
    void log(const std::string& line);

    bool admitSession();
    void releaseSession();
    std::size_t sessionCount() const { return sessions_; }

    AfpLockTable::Owner newOwner() { return ++owners_; }
    // Reference numbers for forks and desktop databases, unique across the server's sessions
    // for as long as the 16 bits last, so one session's number is never another's by chance.
    std::uint16_t nextReference();

private:
    AfpServerState() = default;
    bool loadUsers(std::string& problem);
    bool openVolumes(std::string& problem);
    bool buildStatusBlock(std::string& problem);

    AfpServerConfig config_;
    std::string macServerName_;
    std::optional<UserFile> users_;
    LoginPolicy policy_;
    std::vector<AfpSharedVolume> volumes_;
    std::vector<std::uint8_t> statusBlock_;
    AfpLockTable locks_;
    std::mutex logMutex_;
    std::function<void(const std::string&)> log_;
    std::atomic<std::size_t> sessions_{0};
    std::atomic<AfpLockTable::Owner> owners_{0};
    std::atomic<std::uint16_t> references_{0};
};

// Seconds since 1 January 2000 UTC, as AFP counts time.
std::uint32_t afpNow();

} // namespace appletalk::afp

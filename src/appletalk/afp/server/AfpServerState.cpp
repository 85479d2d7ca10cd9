// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpServerState.h"

#include "appletalk/afp/server/AfpServerIcon.h"
#include "appletalk/afp/server/AfpVersions.h"
#include "appletalk/protocols/afp/AfpBlock.h"
#include "text/MacRoman.h"

#include <chrono>
#include <system_error>

namespace appletalk::afp {

namespace {

constexpr std::int64_t kAfpEpochInUnix = 946684800; // 2000-01-01T00:00:00Z
constexpr const char* kIdDatabaseName = ".vidur-ids.sqlite";

// The Mac OS Roman form of a name the user gave, when it has one within `limit` bytes.
std::optional<std::string> macNameOf(const std::string& utf8, std::size_t limit) {
    auto converted = vidur::text::utf8ToMacRoman(utf8);
    if (!converted.lossless || converted.macRoman.empty() || converted.macRoman.size() > limit) return std::nullopt;
    return std::move(converted.macRoman);
}

std::string describeVolume(const ShareVolumeConfig& volume) {
    return "volume \"" + volume.name + "\" (" + volume.folder.string() + ")";
}

VolumeOptions volumeOptionsFor(const ShareVolumeConfig& volume) {
    VolumeOptions options;
    options.root = volume.folder;
    options.readOnly = volume.readOnly;
    // Without a state folder the database lives in the shared folder, hidden from clients.
    options.database = (volume.stateDirectory.empty() ? volume.folder : volume.stateDirectory) / kIdDatabaseName;
    return options;
}

// Beside the ID database; its name starts with that database's, which the volume hides from
// clients when both live in the shared folder.
std::filesystem::path desktopDatabaseFor(const VolumeOptions& options) {
    return options.database.string() + "-desktop";
}

} // namespace

std::uint32_t afpNow() {
    const auto unix =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(unix - kAfpEpochInUnix);
}

std::shared_ptr<AfpServerState> AfpServerState::create(AfpServerConfig config, std::string& problem) {
    std::shared_ptr<AfpServerState> state(new AfpServerState());
    state->config_ = std::move(config);
    auto serverName = macNameOf(state->config_.serverName, kMaxServerName);
    if (!serverName) {
        problem = "the server name \"" + state->config_.serverName + "\" is not 1 to 31 Mac OS Roman characters";
        return nullptr;
    }
    state->macServerName_ = std::move(*serverName);
    if (!state->loadUsers(problem) || !state->openVolumes(problem) || !state->buildStatusBlock(problem)) return nullptr;
    return state;
}

bool AfpServerState::loadUsers(std::string& problem) {
    policy_.guestAllowed = config_.guestAllowed;
    policy_.cleartextAllowed = config_.cleartextAllowed;
    if (config_.usersFile.empty()) return true;
    std::string why;
    users_ = UserFile::load(config_.usersFile, why);
    if (!users_) {
        problem = "users file " + config_.usersFile.string() + ": " + why;
        return false;
    }
    policy_.users = &*users_;
    return true;
}

bool AfpServerState::openVolumes(std::string& problem) {
    if (config_.volumes.empty() || config_.volumes.size() > 255) {
        problem = "a server shares 1 to 255 volumes";
        return false;
    }
    for (const auto& volumeConfig : config_.volumes) {
        auto name = macNameOf(volumeConfig.name, kMaxVolumeName);
        if (!name) {
            problem = describeVolume(volumeConfig) + ": the name is not 1 to 27 Mac OS Roman characters";
            return false;
        }
        for (const auto& other : volumes_) {
            if (vidur::text::compareFolded(other.macName, *name) == 0) {
                problem = describeVolume(volumeConfig) + ": another volume has that name";
                return false;
            }
        }
        if (volumeConfig.password.size() > kPasswordSize) {
            problem = describeVolume(volumeConfig) + ": a volume password is at most 8 bytes";
            return false;
        }
        std::error_code ignored;
        if (!volumeConfig.stateDirectory.empty())
            std::filesystem::create_directories(volumeConfig.stateDirectory, ignored);
        std::string why;
        const auto options = volumeOptionsFor(volumeConfig);
        auto volume = Volume::open(options, why);
        auto desktop =
            volume ? DesktopDatabase::open(desktopDatabaseFor(options), volumeConfig.readOnly, why) : nullptr;
        if (!volume || !desktop) {
            problem = describeVolume(volumeConfig) + ": " + why;
            return false;
        }
        const auto id = static_cast<std::uint16_t>(volumes_.size() + 1);
        volumes_.push_back(AfpSharedVolume{volumeConfig, std::move(*name), id, std::move(volume), std::move(desktop)});
    }
    return true;
}

bool AfpServerState::buildStatusBlock(std::string& problem) {
    AfpServerInfo info;
    info.machineType = "Linux";
    info.afpVersions = supportedAfpVersions();
    info.uams = offeredUams(policy_);
    info.icon = serverIconAndMask();
    info.flags = server_flag::CopyFile;
    if (!config_.addresses.empty()) info.flags |= server_flag::TcpIp;
    info.serverName = macServerName_;
    info.addresses = config_.addresses;
    auto block = info.serialize();
    if (!block) {
        problem = "the server information does not fit its block (too many addresses?)";
        return false;
    }
    statusBlock_ = std::move(*block);
    return true;
}

AfpSharedVolume* AfpServerState::volumeById(std::uint32_t id) {
    if (id == 0 || id > volumes_.size()) return nullptr;
    return &volumes_[id - 1];
}

void AfpServerState::setLog(std::function<void(const std::string&)> log) {
    const std::lock_guard guard(logMutex_);
    log_ = std::move(log);
}

void AfpServerState::log(const std::string& line) {
    const std::lock_guard guard(logMutex_);
    if (log_) log_(line);
}

bool AfpServerState::admitSession() {
    auto count = sessions_.load();
    do {
        if (count >= config_.limits.sessions) return false;
    } while (!sessions_.compare_exchange_weak(count, count + 1));
    return true;
}

void AfpServerState::releaseSession() { --sessions_; }

std::uint16_t AfpServerState::nextReference() {
    std::uint16_t reference = 0;
    while (reference == 0) reference = ++references_; // 0 is never a reference
    return reference;
}

} // namespace appletalk::afp

// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpSessionState.h"

namespace appletalk::afp {

AfpSessionState::AfpSessionState(std::shared_ptr<AfpServerState> server, AfpSessionOptions options)
    : server_(std::move(server)), options_(std::move(options)), forks_(server_->config().limits.forksPerSession) {}

AfpSessionState::~AfpSessionState() { closeEverything(); }

AfpSharedVolume* AfpSessionState::openVolume(std::uint32_t volumeId) {
    if (volumeId > 0xFFFF || !openVolumes_.contains(static_cast<std::uint16_t>(volumeId))) return nullptr;
    return server_->volumeById(volumeId);
}

void AfpSessionState::closeVolume(std::uint16_t volumeId) {
    for (const auto reference : forks_.references())
        if (forks_.find(reference)->key.volume == volumeId) closeFork(reference);
    std::erase_if(desktops_, [&](const auto& entry) { return entry.second == volumeId; });
    openVolumes_.erase(volumeId);
}

std::uint16_t AfpSessionState::addFork(AfpOpenFork fork) {
    if (forks_.full()) return 0;
    std::uint16_t reference = server_->nextReference();
    while (forks_.contains(reference)) reference = server_->nextReference();
    forks_.add(reference, std::move(fork));
    return reference;
}

void AfpSessionState::closeFork(std::uint16_t reference) {
    if (auto fork = forks_.remove(reference)) server_->locks().close(fork->owner);
}

void AfpSessionState::closeEverything() {
    for (const auto reference : forks_.references()) closeFork(reference);
    desktops_.clear();
    openVolumes_.clear();
}

std::uint16_t AfpSessionState::openDesktop(std::uint16_t volumeId) {
    if (desktops_.size() >= server_->config().limits.desktopsPerSession) return 0;
    std::uint16_t reference = server_->nextReference();
    while (desktops_.contains(reference)) reference = server_->nextReference();
    desktops_[reference] = volumeId;
    return reference;
}

AfpSharedVolume* AfpSessionState::desktopVolume(std::uint32_t reference) {
    if (reference > 0xFFFF) return nullptr;
    const auto found = desktops_.find(static_cast<std::uint16_t>(reference));
    return found == desktops_.end() ? nullptr : openVolume(found->second);
}

bool AfpSessionState::closeDesktop(std::uint32_t reference) {
    return reference <= 0xFFFF && desktops_.erase(static_cast<std::uint16_t>(reference)) == 1;
}

} // namespace appletalk::afp

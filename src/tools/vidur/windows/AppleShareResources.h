// SPDX-License-Identifier: MIT
// The resources of the windows that follow the Chooser when it chose an AppleShare server:
// the connect window's template and the volume list's texts, in English and French, found
// through the resource chain in the language the library's own windows take. The volume list
// has one check box per volume, so its template is made for the volumes the server named.
#pragma once

#include <string>
#include <vector>

#include "platform/resources/ResourceTypes.h"

namespace vidur::cli {

// Templates.
inline constexpr UINT IDD_AFP_CONNECT = 250;
inline constexpr UINT IDD_AFP_VOLUMES = 251;

// Controls.
inline constexpr UINT IDC_AFP_PROMPT = 3101; // "Connect to the file server ... as:"
inline constexpr UINT IDC_AFP_GUEST = 3102;
inline constexpr UINT IDC_AFP_REGISTERED = 3103;
inline constexpr UINT IDC_AFP_USER = 3104;
inline constexpr UINT IDC_AFP_PASSWORD = 3105;
inline constexpr UINT IDC_AFP_FIRST_VOLUME = 3120; // the volume list's check boxes, in order

// Strings.
inline constexpr UINT IDS_AFP_CONNECT_AS = 60; // "%s" is the server's name
inline constexpr UINT IDS_AFP_VOLUMES_CAPTION = 61;
inline constexpr UINT IDS_AFP_VOLUMES_PROMPT = 62;
inline constexpr UINT IDS_AFP_OK = 63;
inline constexpr UINT IDS_AFP_CANCEL = 64;
inline constexpr UINT IDS_AFP_NO_VOLUMES = 65;
inline constexpr UINT IDS_AFP_NEED_NAME = 66;

// In the resource chain for its lifetime, with the volume list made for `volumes` (UTF-8).
class AppleShareResources {
public:
    AppleShareResources();
    ~AppleShareResources();
    AppleShareResources(const AppleShareResources&) = delete;
    AppleShareResources& operator=(const AppleShareResources&) = delete;

    // Makes the volume list's template (IDD_AFP_VOLUMES) for these volumes.
    void makeVolumeList(const std::vector<std::string>& volumes);
    // A string of this module in the chain's language, UTF-8.
    static std::string text(UINT id);

private:
    std::vector<std::string> texts_; // what the volume list's items point to
    std::vector<DialogItemTemplate> volumeItems_;
    std::vector<DialogTemplate> dialogs_;
    ResourceModule module_;
};

} // namespace vidur::cli

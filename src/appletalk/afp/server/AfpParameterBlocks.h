// SPDX-License-Identifier: MIT
// Entries and volumes as AFP's bitmap-shaped parameter blocks, and the changes a Set*Parms
// block asks for.
#pragma once

#include "appletalk/afp/volume/Volume.h"
#include "appletalk/protocols/afp/AfpParameters.h"
#include "appletalk/protocols/afp/AfpResult.h"

#include <cstdint>
#include <string>

namespace appletalk::afp {

// File attribute bits the server computes rather than stores.
inline constexpr std::uint16_t kDataForkOpen = 0x0008, kResourceForkOpen = 0x0010;
inline constexpr std::uint16_t kWriteInhibit = 0x0020;
inline constexpr std::uint16_t kSetAttributes = 0x8000; // a Set*Parms attribute word sets, else clears

// The Finder's lock: attribute bits that keep an entry's name, or the entry itself. Files and
// folders keep them in different bits.
bool renameInhibited(const EntryInfo& entry);
bool deleteInhibited(const EntryInfo& entry);

// The parameters of a file or a folder as its bitmap asks; `rootName` names the root folder
// (the volume's name) and `openForks` adds the fork-open attribute bits of a file.
AfpParameters entryParameters(const EntryInfo& entry, std::uint16_t bitmap, const std::string& rootName,
                              std::uint16_t openForks = 0);

struct VolumeFacts {
    const EntryInfo* root = nullptr;
    std::string name;
    std::uint16_t id = 0;
    bool readOnly = false;
    bool hasPassword = false;
    std::uint64_t bytesFree = 0, bytesTotal = 0;
    std::uint32_t blockSize = 4096;
};
AfpParameters volumeParameters(const VolumeFacts& facts, std::uint16_t bitmap);

// The changes a Set*Parms block asks for on `current`; BitmapErr when it asks to set a field
// that cannot be set (names, IDs, lengths), ParamErr when the block does not parse.
struct RequestedChanges {
    AfpResult result = AfpResult::NoErr;
    ParameterChanges changes;
};
RequestedChanges requestedChanges(const EntryInfo& current, std::uint16_t bitmap, std::span<const std::uint8_t> block);

} // namespace appletalk::afp

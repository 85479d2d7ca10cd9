// SPDX-License-Identifier: MIT
// One open volume of a logged-in AFP session, as a file system sees it: entries named by
// their Linux paths ("/Folder/File", UTF-8, '/' between names; a Mac name's '/' is shown as
// ':' and back, as the server side does), their parameters, the folder listing, creation,
// deletion, renames and moves, and the forks read and written. Every call answers 0 or an
// errno value for the file system to return: ENOENT for a name not there, EACCES for the
// server's AccessDenied, ENAMETOOLONG for a name over 31 Mac OS Roman bytes, EILSEQ for one
// Mac OS Roman cannot hold, EIO once the session is gone (and from then on).
//
// Not thread-safe: the caller runs one call at a time (the transport's session carries one).
#pragma once

#include "appletalk/afp/client/AfpTransport.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace appletalk::afp {

struct AfpRequest;
struct AfpParameters;

struct AfpEntry {
    bool isDirectory = false;
    std::uint32_t id = 0; // a directory's ID; a file's number (0 when the server gives none)
    std::uint32_t parentId = 0;
    std::string name; // the Linux name, UTF-8
    std::uint64_t dataLength = 0; // files
    std::uint64_t resourceLength = 0; // files
    std::uint16_t offspring = 0; // directories
    std::int64_t created = 0; // Unix seconds
    std::int64_t modified = 0; // Unix seconds
    std::uint16_t attributes = 0; // AFP attribute bits
    std::array<std::uint8_t, 32> finderInfo{};
    std::uint32_t accessRights = 0; // directories: the AFP access rights word (user bits in the top byte)
};

struct AfpVolumeInfo {
    std::string name; // UTF-8
    std::uint16_t attributes = 0; // bit 0: read-only
    std::uint64_t bytesFree = 0;
    std::uint64_t bytesTotal = 0;
    std::uint32_t blockSize = 0; // 0 when the server does not say
};

enum class AfpForkKind : std::uint8_t { Data, Resource };

struct AfpOpenFork {
    std::uint16_t reference = 0;
    std::uint64_t length = 0;
};

class AfpVolumeClient {
public:
    // OpenVol on a session already logged in; `password` is the volume's own (empty: none).
    // Nothing, with the reason in words (AfpClientText), when the volume cannot be opened.
    static std::unique_ptr<AfpVolumeClient> open(AfpTransport& transport, const std::string& volume,
                                                 const std::string& password, std::string& problem);
    ~AfpVolumeClient(); // CloseVol when the session is still there

    AfpVolumeClient(const AfpVolumeClient&) = delete;
    AfpVolumeClient& operator=(const AfpVolumeClient&) = delete;

    int volumeInfo(AfpVolumeInfo& info);
    int stat(std::string_view path, AfpEntry& entry);
    // The whole folder, every page of Enumerate.
    int list(std::string_view path, std::vector<AfpEntry>& entries);

    int createFile(std::string_view path, bool exclusive); // exclusive: EEXIST when it is there
    int createDirectory(std::string_view path);
    int remove(std::string_view path); // a file, or an empty folder (ENOTEMPTY otherwise)
    // Rename and move within the volume; an existing `to` is replaced as rename(2) does.
    int rename(std::string_view from, std::string_view to);
    int setModified(std::string_view path, std::int64_t unixSeconds);
    int setFinderInfo(std::string_view path, std::span<const std::uint8_t, 32> finderInfo);
    // Attribute bits to set or clear (the WriteInhibit bits for a mode without write).
    int setAttributes(std::string_view path, std::uint16_t bits, bool set);

    // OpenFork; `write` asks for read and write access, else read only.
    int openFork(std::string_view path, AfpForkKind kind, bool write, AfpOpenFork& fork);
    // Reads up to `into.size()` bytes at `offset`, as many calls as the transport needs;
    // `got` short only at the fork's end.
    int read(std::uint16_t reference, std::uint64_t offset, std::span<std::uint8_t> into, std::size_t& got);
    int write(std::uint16_t reference, std::uint64_t offset, std::span<const std::uint8_t> data);
    int setForkLength(std::uint16_t reference, std::uint64_t length);
    int flushFork(std::uint16_t reference);
    int closeFork(std::uint16_t reference);

    // The most a single Read reply or Write request carries on this transport; read-ahead
    // and write-behind are sized in multiples of it.
    std::size_t transferUnit() const;
    bool sessionGone() const;
    // Between calls: the transport's keep-alive (tickles, attentions); EIO, and the session
    // counted gone, once it reports the session over.
    int keepAlive();

private:
    struct Reply; // a delivered call's result and data

    AfpVolumeClient(AfpTransport& transport, std::uint16_t volumeId);

    // One round trip; EIO without one once the session is gone. 0 when an answer came.
    int exchange(std::span<const std::uint8_t> command, std::span<const std::uint8_t> data, Reply& reply);
    // A call whose only outcome is its result, as an errno value.
    int simpleCall(const AfpRequest& request);
    int parametersOf(std::string_view path, std::uint16_t fileBitmap, std::uint16_t directoryBitmap, AfpEntry& entry);
    int setParameters(std::string_view path, const AfpParameters& parameters);
    int replaceTarget(std::string_view from, std::string_view to);

    AfpTransport& transport_;
    std::uint16_t volumeId_;
    bool gone_ = false;
    std::map<std::uint16_t, AfpForkKind> forkKinds_; // open forks: SetForkParms names the fork's length bit
};

// The errno for an AFP result (EIO for one with no better match).
int errnoForAfpResult(std::int32_t result);

} // namespace appletalk::afp

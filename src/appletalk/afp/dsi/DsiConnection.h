// SPDX-License-Identifier: MIT
// One DSI connection's bytes: messages reassembled from whatever split TCP delivers, and the
// messages going out. Input is read straight into the buffer a message is handed out from,
// so a write's data is copied by the kernel and at most once more (the first bytes read
// before its length was known); output goes out with one sendmsg of header and payload
// pieces, the payloads moved in, never copied.
#pragma once

#include "appletalk/protocols/dsi/DsiHeader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace appletalk::afp {

class DsiConnection {
public:
    enum class Input { Message, WouldBlock, Closed, Garbage, Oversize };

    // Owns `fd` (a connected, non-blocking socket). A message body over `maxBody` is refused.
    DsiConnection(int fd, std::string peer, std::size_t maxBody);
    ~DsiConnection();
    DsiConnection(const DsiConnection&) = delete;
    DsiConnection& operator=(const DsiConnection&) = delete;

    int fd() const { return fd_; }
    const std::string& peer() const { return peer_; }

    // The next whole message, reading the socket when the buffer has none. `body` stays valid
    // until the next call. On Oversize, `header` is the refused request's.
    Input next(dsi::DsiHeader& header, std::span<const std::uint8_t>& body);

    // Whether next() has a message (or a refusal) without reading the socket.
    bool hasMessage() const;

    void queue(const dsi::DsiHeader& header, std::vector<std::uint8_t> payload = {});
    // Sends what the socket takes now; false when the connection failed.
    bool flush();
    std::size_t backlog() const { return backlog_; }

private:
    struct Outgoing {
        std::array<std::uint8_t, dsi::kHeaderSize> header{};
        std::vector<std::uint8_t> payload;
        std::size_t sent = 0; // of header and payload together
    };

    std::size_t buffered() const { return end_ - begin_; }
    void makeRoom(std::size_t messageSize);
    Input receive();
    void advance(std::size_t sent);

    int fd_;
    std::string peer_;
    std::size_t maxBody_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::size_t handedOut_ = 0; // the last message's size, consumed at the next call
    std::deque<Outgoing> output_;
    std::size_t backlog_ = 0;
};

} // namespace appletalk::afp

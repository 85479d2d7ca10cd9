// SPDX-License-Identifier: MIT
#include "appletalk/afp/dsi/DsiConnection.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace appletalk::afp {

namespace {

// Small messages are read many at a time into a buffer of this size; a larger one grows it.
constexpr std::size_t kInitialBuffer = 64 * 1024;
constexpr std::size_t kMessagesPerSend = 32;

} // namespace

DsiConnection::DsiConnection(int fd, std::string peer, std::size_t maxBody)
    : fd_(fd), peer_(std::move(peer)), maxBody_(maxBody) {}

DsiConnection::~DsiConnection() { ::close(fd_); }

DsiConnection::Input DsiConnection::next(dsi::DsiHeader& header, std::span<const std::uint8_t>& body) {
    begin_ += handedOut_;
    handedOut_ = 0;
    if (begin_ == end_) begin_ = end_ = 0;
    for (;;) {
        if (buffered() >= dsi::kHeaderSize) {
            const auto parsed = dsi::DsiHeader::parse({buffer_.get() + begin_, dsi::kHeaderSize});
            if (!parsed) return Input::Garbage;
            header = *parsed;
            if (header.totalLength > maxBody_) return Input::Oversize;
            const std::size_t size = dsi::kHeaderSize + header.totalLength;
            if (buffered() >= size) {
                body = {buffer_.get() + begin_ + dsi::kHeaderSize, header.totalLength};
                handedOut_ = size;
                return Input::Message;
            }
            makeRoom(size);
        } else {
            makeRoom(dsi::kHeaderSize);
        }
        const Input got = receive();
        if (got != Input::Message) return got;
    }
}

bool DsiConnection::hasMessage() const {
    const std::size_t start = begin_ + handedOut_;
    if (end_ - start < dsi::kHeaderSize) return false;
    const auto header = dsi::DsiHeader::parse({buffer_.get() + start, dsi::kHeaderSize});
    if (!header || header->totalLength > maxBody_) return true;
    return end_ - start >= dsi::kHeaderSize + header->totalLength;
}

// Room for the whole message in progress after what is buffered: the partial message moves
// to the front, into a larger buffer when it does not fit.
void DsiConnection::makeRoom(std::size_t messageSize) {
    if (begin_ + messageSize <= capacity_) return;
    const std::size_t kept = buffered();
    if (messageSize > capacity_) {
        const std::size_t capacity = std::max(messageSize, kInitialBuffer);
        auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
        if (kept != 0) std::memcpy(grown.get(), buffer_.get() + begin_, kept);
        buffer_ = std::move(grown);
        capacity_ = capacity;
    } else if (kept != 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, kept);
    }
    begin_ = 0;
    end_ = kept;
}

// One read of what fits; Message means bytes arrived.
DsiConnection::Input DsiConnection::receive() {
    const ssize_t got = ::recv(fd_, buffer_.get() + end_, capacity_ - end_, MSG_DONTWAIT);
    if (got > 0) {
        end_ += static_cast<std::size_t>(got);
        return Input::Message;
    }
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return Input::WouldBlock;
    return Input::Closed;
}

void DsiConnection::queue(const dsi::DsiHeader& header, std::vector<std::uint8_t> payload) {
    backlog_ += dsi::kHeaderSize + payload.size();
    output_.push_back({header.serialize(), std::move(payload), 0});
}

bool DsiConnection::flush() {
    while (!output_.empty()) {
        std::array<iovec, 2 * kMessagesPerSend> pieces{};
        std::size_t count = 0;
        for (std::size_t i = 0; i < output_.size() && i < kMessagesPerSend; ++i) {
            auto& out = output_[i];
            if (out.sent < dsi::kHeaderSize)
                pieces[count++] = {out.header.data() + out.sent, dsi::kHeaderSize - out.sent};
            const std::size_t payloadSent = out.sent > dsi::kHeaderSize ? out.sent - dsi::kHeaderSize : 0;
            if (payloadSent < out.payload.size())
                pieces[count++] = {out.payload.data() + payloadSent, out.payload.size() - payloadSent};
        }
        msghdr message{};
        message.msg_iov = pieces.data();
        message.msg_iovlen = count;
        const ssize_t sent = ::sendmsg(fd_, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        advance(static_cast<std::size_t>(sent));
    }
    return true;
}

void DsiConnection::advance(std::size_t sent) {
    backlog_ -= sent;
    while (sent != 0) {
        auto& out = output_.front();
        const std::size_t left = dsi::kHeaderSize + out.payload.size() - out.sent;
        const std::size_t taken = std::min(left, sent);
        out.sent += taken;
        sent -= taken;
        if (taken == left) output_.pop_front();
    }
}

} // namespace appletalk::afp

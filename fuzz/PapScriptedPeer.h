// SPDX-License-Identifier: MIT
// A PAP peer whose every move is read from a fuzz input, on an in-process wire and virtual
// time, for fuzzing the state machines of PapClient and PapServer rather than the packet
// parsers. The peer sits on raw sockets of its own node and answers or sends ATP packets
// built from the script's bytes: a reply to a request it heard (OpenConnReply, Data,
// Status...), a request of its own (OpenConn, SendData, Tickle, CloseConn...), a release,
// time passing. A script byte can ask for the connection id and the sockets the peer has
// heard, so that the fuzzer reaches past the first packet. Once the script is read the peer
// falls silent: the session under test must then end by its own timers, within a bound
// derived from the protocol's (two minutes of silence end a connection), sending no storm.
#pragma once

#include "appletalk/node/ManualClock.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/protocols/atp/AtpPacket.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <vector>

namespace fuzz {

using namespace appletalk;
using namespace std::chrono_literals;

// The fuzz input, read front to back; zeros once it is used up.
class Script {
public:
    explicit Script(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool done() const { return at_ >= bytes_.size(); }
    std::uint8_t byte() { return done() ? 0 : bytes_[at_++]; }
    std::uint16_t word() {
        const std::uint16_t high = byte();
        return static_cast<std::uint16_t>(high << 8 | byte());
    }
    std::vector<std::uint8_t> bytes(std::size_t count) {
        std::vector<std::uint8_t> out;
        while (out.size() < count && !done()) out.push_back(byte());
        return out;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Two nodes on one wire: `subject` runs the service under test, `peer` the script.
class PapArena {
public:
    static constexpr std::uint8_t kSubjectId = 20;
    static constexpr std::uint8_t kPeerId = 130;

    PapArena()
        : wire_(clock_),
          subjectLink_(wire_.connect()),
          peerLink_(wire_.connect()),
          subject_(clock_, *subjectLink_, config(kSubjectId, NodeRole::Workstation)),
          peer_(clock_, *peerLink_, config(kPeerId, NodeRole::Server)),
          driver_(clock_) {
        driver_.add(subject_);
        driver_.add(peer_);
        subject_.start();
        peer_.start();
        if (!driver_.advanceUntil([this] { return subject_.isReady() && peer_.isReady(); }, 10s))
            fail("the nodes took no address");
    }
    ~PapArena() {
        driver_.remove(subject_);
        driver_.remove(peer_);
    }
    PapArena(const PapArena&) = delete;
    PapArena& operator=(const PapArena&) = delete;

    Node& subject() { return subject_; }
    Node& peer() { return peer_; }
    // A node that spins with no delay is a hang as surely as one that waits for ever.
    void advance(Duration duration) {
        try {
            driver_.advance(duration);
        } catch (const std::runtime_error&) {
            fail("the nodes never settle");
        }
    }
    bool advanceUntil(const std::function<bool()>& done, Duration limit) {
        try {
            return driver_.advanceUntil(done, limit);
        } catch (const std::runtime_error&) {
            fail("the nodes never settle");
        }
    }
    void add(Pollable& pollable) { driver_.add(pollable); }
    void remove(Pollable& pollable) { driver_.remove(pollable); }

private:
    static NodeConfig config(std::uint8_t id, NodeRole role) {
        NodeConfig config;
        config.acquisition.role = role;
        config.acquisition.preferredId = id;
        config.seed = id;
        return config;
    }

    ManualClock clock_;
    MemoryWire wire_;
    std::unique_ptr<MemoryWireLink> subjectLink_;
    std::unique_ptr<MemoryWireLink> peerLink_;
    Node subject_;
    Node peer_;
    VirtualTimeDriver driver_;
};

class ScriptedPeer {
public:
    // Listens on `sockets` of the arena's peer node (its server listening socket, its
    // responding socket...). Requests go by default to `target` until one is heard.
    ScriptedPeer(PapArena& arena, std::vector<std::uint8_t> sockets, DdpAddress target)
        : arena_(arena), sockets_(std::move(sockets)), target_(target) {
        for (std::uint8_t socket : sockets_)
            arena_.peer().openSocket(socket, [this](const Datagram& datagram) { heard(datagram); });
    }
    ~ScriptedPeer() {
        for (std::uint8_t socket : sockets_) arena_.peer().closeSocket(socket);
    }

    // Plays the whole script, a move at a time, letting the wire deliver before and after each.
    void play(Script& script) {
        while (!script.done() && !silent) {
            arena_.advance(5ms);
            move(script);
        }
        arena_.advance(5ms);
    }
    // From now on the peer hears and says nothing.
    bool silent = false;

private:
    struct Heard {
        DdpAddress from;
        std::uint8_t to = 0;
        atp::AtpPacket packet;
    };

    void heard(const Datagram& datagram) {
        if (silent || datagram.type != 3) return;
        const auto packet = atp::AtpPacket::parse(datagram.data);
        if (!packet) return;
        if (packet->userBytes[0] != 0) connectionId_ = packet->userBytes[0];
        // An OpenConnReply names the printer's responding socket in its first data byte.
        if (packet->function == atp::AtpFunction::Response && packet->userBytes[1] == 2 && !packet->data.empty())
            target_ = {datagram.source.network, datagram.source.node, packet->data[0]};
        if (packet->function == atp::AtpFunction::Request) {
            // The first data byte of an OpenConn (or of an OpenConnReply) names a responding socket.
            if (packet->userBytes[1] == 1 && !packet->data.empty())
                target_ = {datagram.source.network, datagram.source.node, packet->data[0]};
            else if (target_.node == 0)
                target_ = datagram.source;
            requests_.push_back({datagram.source, datagram.destination.socket, *packet});
            if (requests_.size() > 16) requests_.pop_front();
        }
    }

    // Four user bytes: the script's, or (flag) the connection id heard and a PAP function.
    atp::UserBytes userBytes(Script& script, bool guided) {
        atp::UserBytes bytes{};
        if (guided) {
            bytes[0] = connectionId_;
            bytes[1] = static_cast<std::uint8_t>(1 + script.byte() % 9);
            bytes[2] = script.byte();
            bytes[3] = script.byte();
        } else {
            for (auto& b : bytes) b = script.byte();
        }
        return bytes;
    }

    void move(Script& script) {
        const std::uint8_t op = script.byte();
        const bool guided = (op & 0x80) != 0;
        switch ((op & 0x7F) % 5) {
        case 0: answer(script, guided); break;
        case 1: request(script, guided); break;
        case 2: release(script, guided); break;
        case 3: arena_.advance(std::chrono::milliseconds(script.byte()) * 250); break;
        case 4: answerWithData(script, guided); break;
        }
    }

    // A response packet to a request heard: the oldest, or the newest (guided).
    void answer(Script& script, bool guided) {
        if (requests_.empty()) return;
        const Heard request = guided ? requests_.back() : requests_.front();
        if (!guided) requests_.pop_front();
        const std::uint8_t control = script.byte();
        atp::AtpPayload payload{userBytes(script, guided), script.bytes(script.byte() % 24)};
        // An OpenConnReply's first byte names the printer's responding socket: one of ours.
        if (guided && !payload.data.empty()) payload.data[0] = sockets_.back();
        auto packet = atp::AtpPacket::response(request.packet.tid, control & 7, std::move(payload), control & 0x10);
        packet.sendTransactionStatus = control & 0x08;
        send(request.from, packet, request.to);
    }

    // A Data answer as a printer writes one: up to 512 bytes in sequence `control & 7`.
    void answerWithData(Script& script, bool guided) {
        if (requests_.empty()) return;
        const Heard request = requests_.back();
        const std::uint8_t control = script.byte();
        atp::UserBytes bytes{connectionId_, 4, static_cast<std::uint8_t>(guided ? 1 : 0), 0};
        std::vector<std::uint8_t> data(static_cast<std::size_t>(script.byte()) * 2 + (control >> 7), 'x');
        send(request.from,
             atp::AtpPacket::response(request.packet.tid, control & 7, {bytes, std::move(data)}, control & 0x10),
             request.to);
    }

    void release(Script& script, bool guided) {
        const std::uint16_t tid = guided ? lastTid_ : script.word();
        send(target_, atp::AtpPacket::release(tid, script.byte()));
    }

    void request(Script& script, bool guided) {
        const std::uint8_t control = script.byte();
        lastTid_ = guided ? static_cast<std::uint16_t>(lastTid_ + 1) : script.word();
        atp::AtpPayload payload{userBytes(script, guided), script.bytes(script.byte() % 8)};
        // An OpenConn's first byte names the workstation's responding socket: one of ours.
        if (guided && !payload.data.empty()) payload.data[0] = sockets_.back();
        auto packet = atp::AtpPacket::request(lastTid_, static_cast<std::uint8_t>(control | 1), std::move(payload),
                                              control & 0x80, atp::ReleaseTimeout::Seconds30);
        DdpAddress to = target_;
        if (control & 0x40) to.socket = script.byte(); // anywhere on the subject's node
        send(to, packet);
    }

    void send(DdpAddress to, const atp::AtpPacket& packet, std::uint8_t from = 0) {
        if (to.node == 0) to.node = PapArena::kSubjectId;
        const auto bytes = packet.serialize();
        if (bytes.empty()) return;
        Datagram datagram;
        datagram.destination = to;
        datagram.source.socket = from != 0 ? from : sockets_.front();
        datagram.type = 3;
        datagram.data = bytes;
        arena_.peer().send(std::move(datagram));
    }

    PapArena& arena_;
    std::vector<std::uint8_t> sockets_;
    DdpAddress target_;
    std::deque<Heard> requests_;
    std::uint8_t connectionId_ = 42; // until one is heard: a workstation's choice
    std::uint16_t lastTid_ = 0;
};

} // namespace fuzz

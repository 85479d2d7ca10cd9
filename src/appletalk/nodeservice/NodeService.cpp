// SPDX-License-Identifier: MIT
#include "appletalk/nodeservice/NodeService.h"

#include "appletalk/protocols/nbp/NbpZoneRule.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace appletalk::nodeservice {

namespace {

const char* socketResultText(SocketResult result) {
    switch (result) {
    case SocketResult::Ok: return "opened";
    case SocketResult::InUse: return "in use";
    case SocketResult::Invalid: return "not a socket number";
    case SocketResult::NoneFree: return "none free";
    case SocketResult::TooMany: return "over the program's limit";
    }
    return "?";
}

std::string nameText(const nbp::NbpName& name) { return name.object + ":" + name.type; }

} // namespace

NodeService::NodeService(Node& node, runtime::NetworkOperations& network, std::string networkKey, int listenFd,
                         NodeServiceLimits limits, Log log)
    : node_(node),
      network_(network),
      networkKey_(std::move(networkKey)),
      listenFd_(listenFd),
      limits_(limits),
      log_(std::move(log)),
      names_(node) {
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = listenFd_;
    if (epollFd_ < 0 || ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, listenFd_, &event) != 0) {
        log_(std::string("cannot watch the listening socket: ") + std::strerror(errno));
        if (epollFd_ >= 0) ::close(epollFd_);
        epollFd_ = -1;
    }
    announced_ = currentState();
    applyZoneRule(announced_);
}

// On an extended cable a look-up names the zone it is for; the node answers for its own.
void NodeService::applyZoneRule(const NodeState& state) {
    names_.setZoneRule(state.extended && !state.zone.empty() ? nbp::NbpZoneRule::myZone(state.zone)
                                                             : nbp::NbpZoneRule::anyZone());
}

NodeService::~NodeService() {
    for (auto& [fd, client] : clients_) release(*client);
    clients_.clear();
    if (epollFd_ >= 0) ::close(epollFd_);
    ::close(listenFd_);
}

bool NodeService::poll() {
    if (epollFd_ < 0) return false;
    bool worked = false;
    announceState();
    epoll_event events[32];
    const int ready = ::epoll_wait(epollFd_, events, 32, 0);
    for (int i = 0; i < ready; ++i) {
        worked = true;
        const int fd = events[i].data.fd;
        if (fd == listenFd_) {
            acceptAll();
            continue;
        }
        const auto found = clients_.find(fd);
        if (found != clients_.end()) serve(*found->second);
    }
    return worked;
}

void NodeService::acceptAll() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        auto client = std::make_unique<ServiceClient>(fd, nextNumber_++, limits_.sendBufferBytes);
        if (clients_.size() >= limits_.programs) {
            client->send(Refused{"too many programs use this node (" + std::to_string(limits_.programs) + ")"});
            log_(client->description() + " refused: " + std::to_string(limits_.programs) + " programs attached");
            continue;
        }
        epoll_event event{};
        event.events = EPOLLIN | EPOLLRDHUP;
        event.data.fd = fd;
        if (::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &event) != 0) {
            log_(client->description() + " refused: " + std::strerror(errno));
            continue;
        }
        log_(client->description() + " connected");
        clients_.emplace(fd, std::move(client));
    }
}

// Everything the program sent by now; a program that hung up, or sent what is not a
// message of the protocol, is dropped with all it held.
void NodeService::serve(ServiceClient& client) {
    const int fd = client.fd(); // the client is gone once dropped
    std::vector<std::uint8_t> packet;
    bool closed = false;
    while (client.receive(packet, closed)) {
        const auto message = parse(packet);
        if (!message) {
            drop(fd, "sent a message this service cannot read");
            return;
        }
        handle(client, *message);
        if (!clients_.contains(fd)) return;
    }
    if (closed) drop(fd, "left");
}

void NodeService::handle(ServiceClient& client, const Message& message) {
    if (const auto* m = std::get_if<Hello>(&message)) return hello(client, *m);
    if (!client.welcomed) return drop(client.fd(), "spoke before its hello");
    if (const auto* m = std::get_if<OpenSocket>(&message)) return openSocket(client, *m);
    if (const auto* m = std::get_if<CloseSocket>(&message)) return closeSocket(client, m->socket);
    if (const auto* m = std::get_if<Send>(&message)) return send(client, *m);
    if (const auto* m = std::get_if<RegisterName>(&message)) return registerName(client, *m);
    if (const auto* m = std::get_if<RemoveName>(&message)) return removeName(client, *m);
    drop(client.fd(), "sent a message only this service sends");
}

void NodeService::hello(ServiceClient& client, const Hello& hello) {
    if (client.helloSeen) return drop(client.fd(), "said hello twice");
    client.helloSeen = true;
    if (hello.version != kProtocolVersion) {
        client.send(Refused{"this service speaks version " + std::to_string(kProtocolVersion) +
                            " of the node protocol, not " + std::to_string(hello.version)});
        return drop(client.fd(), "speaks version " + std::to_string(hello.version));
    }
    client.welcomed = client.send(Welcome{kProtocolVersion, networkKey_, currentState()});
    if (!client.welcomed) drop(client.fd(), "could not be welcomed");
}

void NodeService::openSocket(ServiceClient& client, const OpenSocket& request) {
    SocketOpened answer{request.request, SocketResult::Ok, 0};
    const std::uint64_t number = client.number();
    const auto handler = [this, number](const Datagram& datagram) { deliver(number, datagram); };
    if (client.sockets.size() >= limits_.socketsPerProgram) {
        answer.result = SocketResult::TooMany;
    } else if (request.socket == 0) {
        answer.socket = node_.openDynamicSocket(handler);
        if (answer.socket == 0) answer.result = SocketResult::NoneFree;
    } else if (request.socket == 0xFF) {
        answer.result = SocketResult::Invalid;
    } else if (node_.openSocket(request.socket, handler)) {
        answer.socket = request.socket;
    } else {
        answer.result = SocketResult::InUse;
    }
    if (answer.result == SocketResult::Ok)
        client.sockets.insert(answer.socket);
    else
        log_(client.description() + ": socket " + std::to_string(request.socket) + " " +
             socketResultText(answer.result));
    client.send(answer);
}

void NodeService::closeSocket(ServiceClient& client, std::uint8_t socket) {
    // Another program's socket is not this one's to close: nothing happens.
    if (client.sockets.erase(socket) == 0) return;
    node_.closeSocket(socket);
    std::erase_if(client.names, [this, socket](const nbp::NbpName& name) {
        const auto owner = std::find_if(names_.entities().begin(), names_.entities().end(),
                                        [&](const NbpEntity& entity) { return entity.name == name; });
        if (owner == names_.entities().end() || owner->socket != socket) return false;
        names_.removeName(name);
        return true;
    });
}

void NodeService::send(ServiceClient& client, const Send& request) {
    if (!client.sockets.contains(request.datagram.source.socket)) {
        if (client.sendsRefused++ == 0)
            log_(client.description() + " sent from socket " + std::to_string(request.datagram.source.socket) +
                 ", which is not its own: refused (and every such datagram after)");
        return;
    }
    SendOptions options;
    options.longHeader = request.longHeader;
    options.checksum = request.checksum;
    node_.send(request.datagram, options);
}

void NodeService::registerName(ServiceClient& client, const RegisterName& request) {
    NameRegistered answer{request.request, NameResult::Ok, 0};
    const nbp::NbpName name{request.object, request.type, "*"};
    if (!client.sockets.contains(request.socket)) {
        answer.result = NameResult::NotYourSocket;
    } else if (client.names.size() >= limits_.namesPerProgram) {
        answer.result = NameResult::TooMany;
    } else {
        switch (names_.registerName(name, request.socket, &answer.enumerator)) {
        case NbpRegisterResult::Ok: client.names.push_back(name); break;
        case NbpRegisterResult::Duplicate: answer.result = NameResult::Duplicate; break;
        case NbpRegisterResult::NoRoom: answer.result = NameResult::TooMany; break;
        default: answer.result = NameResult::Invalid; break;
        }
    }
    if (answer.result == NameResult::Ok) log_(client.description() + " registered " + nameText(name));
    client.send(answer);
}

void NodeService::removeName(ServiceClient& client, const RemoveName& request) {
    const nbp::NbpName name{request.object, request.type, "*"};
    const auto held = std::find(client.names.begin(), client.names.end(), name);
    // Only a name this program registered, exactly as it did.
    if (held == client.names.end()) return;
    names_.removeName(name);
    client.names.erase(held);
}

void NodeService::deliver(std::uint64_t number, const Datagram& datagram) {
    const auto found = std::find_if(clients_.begin(), clients_.end(),
                                    [number](const auto& entry) { return entry.second->number() == number; });
    if (found == clients_.end()) return;
    ServiceClient& client = *found->second;
    if (client.send(Deliver{datagram})) return;
    // A program that does not read loses its own datagrams; the node and the others go on.
    if (client.deliveriesDropped++ == 0)
        log_(client.description() + " does not read: its datagrams are dropped until it does");
}

void NodeService::release(ServiceClient& client) {
    for (const nbp::NbpName& name : client.names) names_.removeName(name);
    for (const std::uint8_t socket : client.sockets) node_.closeSocket(socket);
}

void NodeService::drop(int fd, const std::string& why) {
    const auto found = clients_.find(fd);
    if (found == clients_.end()) return;
    ServiceClient& client = *found->second;
    log_(client.description() + " " + why + ": " + std::to_string(client.sockets.size()) + " sockets and " +
         std::to_string(client.names.size()) + " names released" +
         (client.deliveriesDropped != 0 ? ", " + std::to_string(client.deliveriesDropped) + " datagrams dropped"
                                        : std::string()));
    release(client);
    ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, fd, nullptr);
    clients_.erase(found); // closes the connection
}

NodeState NodeService::currentState() const {
    NodeState state;
    const auto info = network_.nodeInfo();
    state.started = info.has_value();
    state.extended = node_.isExtended();
    state.network = node_.thisNet();
    state.node = node_.nodeId();
    state.routerNode = node_.aRouter();
    state.routerNetwork = node_.aRouterNetwork();
    if (info && info->cableRangeKnown) {
        state.rangeFirst = info->rangeFirst;
        state.rangeLast = info->rangeLast;
    }
    if (info) {
        state.zone = info->zone;
        state.zoneUnreadable = info->zoneUnreadable;
    }
    return state;
}

// Each program keeps the node's state as it was last told: a change goes to every one.
void NodeService::announceState() {
    const NodeState now = currentState();
    if (now == announced_) return;
    announced_ = now;
    applyZoneRule(now);
    for (auto& [fd, client] : clients_)
        if (client->welcomed) client->send(now);
}

} // namespace appletalk::nodeservice

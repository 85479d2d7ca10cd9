// SPDX-License-Identifier: MIT
// One PAP packet of a connection as it rides in an ATP payload: the header in the user bytes
// and the data. SendData, Tickle, CloseConn and CloseConnReply carry no data; Data carries at
// most 512 bytes. OpenConn, OpenConnReply, SendStatus and Status keep their data as it came
// (their layouts are PapOpenConn, PapOpenConnReply and PapStatus).
#pragma once

#include "appletalk/protocols/atp/AtpPayload.h"
#include "appletalk/protocols/pap/PapHeader.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace appletalk::pap {

struct PapPacket {
    PapHeader header;
    std::vector<std::uint8_t> data;

    static PapPacket sendData(std::uint8_t connectionId, std::uint16_t sequence) {
        return {PapHeader::sendData(connectionId, sequence), {}};
    }
    static PapPacket dataPacket(std::uint8_t connectionId, std::vector<std::uint8_t> bytes, bool endOfFile) {
        return {PapHeader::data(connectionId, endOfFile), std::move(bytes)};
    }
    static PapPacket tickle(std::uint8_t connectionId) { return {PapHeader::tickle(connectionId), {}}; }
    static PapPacket closeConn(std::uint8_t connectionId) { return {PapHeader::closeConn(connectionId), {}}; }
    static PapPacket closeConnReply(std::uint8_t connectionId) { return {PapHeader::closeConnReply(connectionId), {}}; }

    // Rejects a header that does not parse, data on a packet that has none, and Data over
    // 512 bytes. The Data EOF flag is any non-zero byte 2; byte 3 is kept as it came.
    static std::optional<PapPacket> parse(const atp::AtpPayload& payload);
    // Empty user bytes and data never come out: a packet that parse() would refuse gives nullopt.
    std::optional<atp::AtpPayload> serialize() const;

    bool operator==(const PapPacket&) const = default;
};

} // namespace appletalk::pap

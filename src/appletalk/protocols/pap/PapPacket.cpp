// SPDX-License-Identifier: MIT
#include "appletalk/protocols/pap/PapPacket.h"

namespace appletalk::pap {

namespace {

bool carriesNoData(PapFunction function) {
    switch (function) {
    case PapFunction::SendData:
    case PapFunction::Tickle:
    case PapFunction::CloseConn:
    case PapFunction::CloseConnReply: return true;
    default: return false;
    }
}

bool fits(const PapHeader& header, std::size_t size) {
    if (carriesNoData(header.function)) return size == 0;
    if (header.function == PapFunction::Data) return size <= kMaxDataPerPacket;
    return true;
}

} // namespace

std::optional<PapPacket> PapPacket::parse(const atp::AtpPayload& payload) {
    const auto header = PapHeader::parse(payload.userBytes);
    if (!header || !fits(*header, payload.data.size())) return std::nullopt;
    return PapPacket{*header, payload.data};
}

std::optional<atp::AtpPayload> PapPacket::serialize() const {
    if (!fits(header, data.size())) return std::nullopt;
    return atp::AtpPayload{header.serialize(), data};
}

} // namespace appletalk::pap

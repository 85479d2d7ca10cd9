// SPDX-License-Identifier: MIT
#include "appletalk/protocols/nbp/NbpTuple.h"

#include "appletalk/protocols/wire/WireLimits.h"

namespace appletalk::nbp {

std::size_t NbpTuple::wireSize() const { return 5 + 3 + name.object.size() + name.type.size() + name.zone.size(); }

std::optional<NbpTuple> NbpTuple::read(ByteReader& reader) {
    NbpTuple tuple;
    tuple.network = reader.u16();
    tuple.node = reader.u8();
    tuple.socket = reader.u8();
    tuple.enumerator = reader.u8();
    tuple.name.object = reader.pstr(kMaxNameLength);
    tuple.name.type = reader.pstr(kMaxNameLength);
    tuple.name.zone = reader.pstr(kMaxNameLength);
    if (!reader.ok()) return std::nullopt;
    return tuple;
}

void NbpTuple::write(ByteWriter& writer) const {
    writer.u16(network);
    writer.u8(node);
    writer.u8(socket);
    writer.u8(enumerator);
    writer.pstr(name.object, kMaxNameLength);
    writer.pstr(name.type, kMaxNameLength);
    writer.pstr(name.zone, kMaxNameLength);
}

} // namespace appletalk::nbp

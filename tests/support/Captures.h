// SPDX-License-Identifier: MIT
// Frames captured from a third-party router and test peers on LToUDP (sender id removed),
// split as LLAP header | DDP header | DDP data, and two long-header datagrams from EtherTalk.
#pragma once

#include "support/WireBytes.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace appletalk::testing {

struct CapturedFrame {
    const char* what;
    const char* llap;
    const char* ddp; // empty for a control frame
    const char* data;
};

inline const std::array<CapturedFrame, 15> kCapturedFrames{{
    {"router ENQ for node 254", "fe fe 81", "", ""},
    {"RTMP Data broadcast", "ff fe 01", "00 0f 01 01 01", "00 01 08 fe 00 00 82 00 02 00"},
    {"RTMP Request", "ff 14 01", "00 06 01 c8 05", "01"},
    {"RTMP Response", "14 fe 01", "00 09 c8 01 01", "00 01 08 fe"},
    {"GetNetInfo request", "ff 14 01", "00 0c 06 c8 06", "05 00 00 00 00 00 00"},
    {"GetNetInfo reply", "14 fe 01", "00 19 c8 06 06", "06 e0 00 01 00 01 00 00 0b 'LToUDP Zone'"},
    {"GetMyZone request", "fe 14 01", "00 0d 06 c8 03", "40 01 29 39 07 00 00 00"},
    {"GetMyZone reply", "14 fe 01", "00 19 c8 06 03", "90 00 29 39 00 00 00 01 0b 'LToUDP Zone'"},
    {"GetZoneList reply", "14 fe 01", "00 26 c8 06 03", "90 00 29 3a 01 00 00 02 0b 'LToUDP Zone' 0c 'Virtual Zone'"},
    {"NBP BrRq", "fe 14 01", "00 1c 02 c8 02", "11 df 00 01 14 c8 00 01 3d 0b 'LaserWriter' 01 2a"},
    {"NBP LkUp broadcast", "ff fe 01", "00 1c 02 02 02", "21 df 00 01 14 c8 00 01 3d 0b 'LaserWriter' 01 2a"},
    {"NBP LkUp-Reply", "14 82 01", "00 28 c8 02 02", "31 df 00 01 82 82 01 0d 'Probe Printer' 0b 'LaserWriter' 01 2a"},
    {"PAP SendStatus", "82 14 01", "00 0d 82 c8 03", "60 01 29 3c 00 08 00 00"},
    {"PAP Status", "14 82 01", "00 1e c8 82 03", "90 00 29 3c 00 09 00 00 00 00 00 00 0c 'status: idle'"},
    {"client ENQ for node 20", "14 14 81", "", ""},
}};

inline Bytes frameBytes(const CapturedFrame& frame) {
    return wireBytes(frame.llap) + wireBytes(frame.ddp) + wireBytes(frame.data);
}

struct CapturedLongDatagram {
    const char* what;
    const char* header;
    const char* data;
    std::uint16_t checksum;
};

inline const std::array<CapturedLongDatagram, 2> kCapturedLongDatagrams{{
    {"GetNetInfo reply to a start-up address", "00 27 0d 87 00 00 00 04 ff ac c8 06 06",
     "06 80 00 03 00 05 00 06 09 00 07 00 00 15 0b 'EtherTalk A'", 0x0D87},
    {"GetZoneList reply on EtherTalk", "00 39 79 7e 00 03 00 04 42 ac c8 06 03",
     "90 00 12 34 01 00 00 03 0b 'LToUDP Zone' 0b 'EtherTalk A' 0b 'EtherTalk B'", 0x797E},
}};

// The DDP data of a captured frame or long datagram, by its description.
inline Bytes capturedData(std::string_view what) {
    for (const CapturedFrame& frame : kCapturedFrames)
        if (what == frame.what) return wireBytes(frame.data);
    for (const CapturedLongDatagram& datagram : kCapturedLongDatagrams)
        if (what == datagram.what) return wireBytes(datagram.data);
    throw std::invalid_argument("no captured frame: " + std::string(what));
}

// The same data by name, for the wire-format tests.
namespace capture {
inline const Bytes rtmpData = capturedData("RTMP Data broadcast");
inline const Bytes rtmpRequest = capturedData("RTMP Request");
inline const Bytes rtmpResponse = capturedData("RTMP Response");
inline const Bytes getNetInfoRequest = capturedData("GetNetInfo request");
inline const Bytes getNetInfoReply = capturedData("GetNetInfo reply");
inline const Bytes getMyZoneRequest = capturedData("GetMyZone request");
inline const Bytes getMyZoneReply = capturedData("GetMyZone reply");
inline const Bytes getZoneListReply = capturedData("GetZoneList reply");
inline const Bytes nbpBroadcastRequest = capturedData("NBP BrRq");
inline const Bytes nbpLookup = capturedData("NBP LkUp broadcast");
inline const Bytes nbpLookupReply = capturedData("NBP LkUp-Reply");
inline const Bytes papSendStatus = capturedData("PAP SendStatus");
inline const Bytes papStatus = capturedData("PAP Status");
inline const Bytes etherGetNetInfoReply = capturedData("GetNetInfo reply to a start-up address");
inline const Bytes etherGetZoneListReply = capturedData("GetZoneList reply on EtherTalk");
} // namespace capture

} // namespace appletalk::testing

// SPDX-License-Identifier: MIT
// DSI decoders: the header on the first 16 bytes, the OpenSession options on the rest; no
// crash, and every accepted value round-trips.
#include <algorithm>

#include "ProtocolRoundTrip.h"
#include "appletalk/protocols/dsi/DsiHeader.h"
#include "appletalk/protocols/dsi/DsiSessionOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace appletalk;
    const fuzz::Bytes bytes(data, size);
    const auto headerSize = std::min(size, dsi::kHeaderSize);
    fuzz::checkRoundTrip<dsi::DsiHeader>(bytes.first(headerSize), "DsiHeader");
    fuzz::checkRoundTrip<dsi::DsiSessionOptions>(bytes.subspan(headerSize), "DsiSessionOptions");
    return 0;
}

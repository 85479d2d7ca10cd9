// SPDX-License-Identifier: MIT
// ZIP parsers: the DDP-type-6 packets on the whole input, and the ZIP-over-ATP request and
// zone-list reply on the input split into 4 user bytes and data.
#include "ProtocolRoundTrip.h"
#include "appletalk/protocols/zip/ZipAtpRequest.h"
#include "appletalk/protocols/zip/ZipExtendedReply.h"
#include "appletalk/protocols/zip/ZipGetNetInfoReply.h"
#include "appletalk/protocols/zip/ZipGetNetInfoRequest.h"
#include "appletalk/protocols/zip/ZipNotify.h"
#include "appletalk/protocols/zip/ZipQuery.h"
#include "appletalk/protocols/zip/ZipReply.h"
#include "appletalk/protocols/zip/ZipZoneListReply.h"

namespace {

using namespace appletalk;

void checkZoneListReply(fuzz::AtpSplit split) {
    const auto reply = zip::ZipZoneListReply::parse(split.userBytes, split.data);
    if (!reply) return;
    const auto payload = reply->serialize();
    if (!payload) fuzz::mismatch("ZipZoneListReply refused");
    const auto again = zip::ZipZoneListReply::parse(payload->userBytes, payload->data);
    if (again != reply) fuzz::mismatch("ZipZoneListReply");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Bytes bytes(data, size);
    fuzz::checkRoundTrip<zip::ZipQuery>(bytes, "ZipQuery");
    fuzz::checkRoundTrip<zip::ZipReply>(bytes, "ZipReply");
    fuzz::checkRoundTrip<zip::ZipExtendedReply>(bytes, "ZipExtendedReply");
    fuzz::checkRoundTrip<zip::ZipGetNetInfoRequest>(bytes, "ZipGetNetInfoRequest");
    fuzz::checkRoundTrip<zip::ZipGetNetInfoReply>(bytes, "ZipGetNetInfoReply");
    fuzz::checkRoundTrip<zip::ZipNotify>(bytes, "ZipNotify");
    const auto split = fuzz::splitUserBytes(bytes);
    fuzz::checkRoundTrip<zip::ZipAtpRequest>(split.userBytes, "ZipAtpRequest");
    checkZoneListReply(split);
    return 0;
}

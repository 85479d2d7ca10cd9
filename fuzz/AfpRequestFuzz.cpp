// SPDX-License-Identifier: MIT
// AFP request decoders: the command block, and the parameter block of a Set*Parms request
// against its bitmap; no crash, and every accepted value round-trips.
#include "ProtocolRoundTrip.h"
#include "appletalk/protocols/afp/AfpParameters.h"
#include "appletalk/protocols/afp/AfpRequest.h"

namespace {

using namespace appletalk;

void checkSetParameters(const afp::AfpRequest& request) {
    const auto bitmap = static_cast<std::uint16_t>(request.block.get(afp::AfpField::Bitmap));
    for (const auto kind : {afp::ParameterKind::File, afp::ParameterKind::Directory}) {
        const auto parameters = afp::AfpParameters::parse(kind, bitmap, request.block.rest);
        if (!parameters) continue;
        const auto wire = parameters->serialize();
        if (!wire) fuzz::mismatch("AfpParameters refused");
        const auto again = afp::AfpParameters::parse(kind, bitmap, *wire);
        if (!again || !(*again == *parameters)) fuzz::mismatch("AfpParameters");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Bytes bytes(data, size);
    fuzz::checkRoundTrip<afp::AfpRequest>(bytes, "AfpRequest");
    if (const auto request = afp::AfpRequest::parse(bytes)) checkSetParameters(*request);
    return 0;
}

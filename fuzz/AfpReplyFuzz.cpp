// SPDX-License-Identifier: MIT
// AFP reply decoders: the first byte names the command whose reply the rest is, and the
// parameter block a client decodes from it (GetFileDirParms, OpenFork, OpenVol, GetVolParms)
// is decoded too; the server information, server parameters and Enumerate replies are tried
// on the whole input. No crash, and every accepted value round-trips.
#include "ProtocolRoundTrip.h"
#include "appletalk/protocols/afp/AfpEnumerateReply.h"
#include "appletalk/protocols/afp/AfpParameters.h"
#include "appletalk/protocols/afp/AfpReply.h"
#include "appletalk/protocols/afp/AfpServerInfo.h"
#include "appletalk/protocols/afp/AfpServerParms.h"

namespace {

using namespace appletalk;

template <typename T>
void checkWhole(fuzz::Bytes bytes, const char* what) {
    const auto value = T::parse(bytes);
    if (!value) return;
    std::optional<std::vector<std::uint8_t>> wire;
    if constexpr (std::is_same_v<T, afp::AfpEnumerateReply>) {
        wire = value->serialize(0xFFFFFF);
    } else {
        wire = value->serialize();
    }
    if (!wire) fuzz::mismatch(what);
    const auto again = T::parse(*wire);
    if (!again || !(*again == *value)) fuzz::mismatch(what);
}

// The parameters a reply carries after its fixed fields, shaped by the bitmap the reply names.
void checkParameters(const afp::AfpReply& reply) {
    using afp::AfpField;
    auto kind = afp::ParameterKind::File;
    auto bitmap = static_cast<std::uint16_t>(reply.block.get(AfpField::Bitmap));
    switch (reply.command) {
    case afp::AfpCommand::GetFileDirParms:
        if ((reply.block.get(AfpField::Flag) & afp::kIsDirectory) != 0) {
            kind = afp::ParameterKind::Directory;
            bitmap = static_cast<std::uint16_t>(reply.block.get(AfpField::DirectoryBitmap));
        }
        break;
    case afp::AfpCommand::OpenFork: break;
    case afp::AfpCommand::OpenVol:
    case afp::AfpCommand::GetVolParms: kind = afp::ParameterKind::Volume; break;
    default: return;
    }
    const auto parameters = afp::AfpParameters::parse(kind, bitmap, reply.block.rest);
    if (!parameters) return;
    const auto wire = parameters->serialize();
    if (!wire) fuzz::mismatch("AfpParameters refused");
    const auto again = afp::AfpParameters::parse(kind, bitmap, *wire);
    if (!again || !(*again == *parameters)) fuzz::mismatch("AfpParameters");
}

void checkReply(fuzz::Bytes bytes) {
    if (bytes.empty()) return;
    const auto command = static_cast<afp::AfpCommand>(bytes[0]);
    const auto reply = afp::AfpReply::parse(command, bytes.subspan(1));
    if (!reply) return;
    const auto wire = reply->serialize(0xFFFFFF);
    if (!wire) fuzz::mismatch("AfpReply refused");
    const auto again = afp::AfpReply::parse(command, *wire);
    if (!again || !(*again == *reply)) fuzz::mismatch("AfpReply");
    checkParameters(*reply);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Bytes bytes(data, size);
    checkReply(bytes);
    checkWhole<afp::AfpServerInfo>(bytes, "AfpServerInfo");
    checkWhole<afp::AfpServerParms>(bytes, "AfpServerParms");
    checkWhole<afp::AfpEnumerateReply>(bytes, "AfpEnumerateReply");
    return 0;
}

// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpCalls.h"

#include "appletalk/afp/server/AfpParameterBlocks.h"
#include "appletalk/afp/server/AfpResultOf.h"

namespace appletalk::afp {

AfpAnswer answer(AfpResult result, std::vector<std::uint8_t> reply) {
    return AfpAnswer{static_cast<std::int32_t>(result), std::move(reply)};
}

AfpAnswer reply(AfpSessionState& session, AfpCommand command, const AfpBlock& block, AfpResult result) {
    auto bytes = AfpReply{command, block}.serialize(session.options().maxReply);
    if (!bytes) return answer(AfpResult::MiscErr);
    return answer(result, std::move(*bytes));
}

AfpBlock withParameters(const AfpParameters& parameters) {
    AfpBlock block;
    block.set(AfpField::Bitmap, parameters.bitmap);
    block.rest = parameters.serialize().value_or(std::vector<std::uint8_t>{});
    return block;
}

AfpLocated locate(AfpSessionState& session, std::uint32_t volumeId, std::uint32_t directoryId, const AfpPath& path) {
    AfpLocated located;
    located.shared = session.openVolume(volumeId);
    if (located.shared == nullptr) {
        located.result = AfpResult::ParamErr;
        return located;
    }
    auto target = resolvePath(*located.shared->volume, located.shared->macName, directoryId, path);
    located.result = afpResultOf(target.error);
    located.target = std::move(target.value);
    return located;
}

std::uint16_t openForkBits(AfpSessionState& session, const AfpSharedVolume& shared, const EntryInfo& entry) {
    if (entry.isDirectory) return 0;
    auto& locks = session.server().locks();
    std::uint16_t bits = 0;
    if (locks.isOpen(AfpForkKey{shared.id, entry.id, ForkKind::Data})) bits |= kDataForkOpen;
    if (locks.isOpen(AfpForkKey{shared.id, entry.id, ForkKind::Resource})) bits |= kResourceForkOpen;
    return bits;
}

} // namespace appletalk::afp

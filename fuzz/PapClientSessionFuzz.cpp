// SPDX-License-Identifier: MIT
// A real PapClient printing a short job against a printer whose every answer comes from the
// fuzz input. Whatever the printer says, the job ends exactly once, and once the printer falls
// silent it ends by the client's own timers within the connection timeout, without a storm.
#include "PapScriptedPeer.h"

#include "appletalk/services/pap/PapClient.h"

#include <optional>
#include <string_view>

namespace {

using namespace appletalk;

constexpr std::uint8_t kListeningSocket = 130; // the printer's, where OpenConn goes
constexpr std::uint8_t kRespondingSocket = 140;
// Two minutes of silence end an open connection; opening and closing give up sooner.
constexpr auto kSilenceBound = std::chrono::minutes(3);
// In those three minutes: a SendData every 15 s, a Tickle every minute, five tries of an
// OpenConn or three of a CloseConn, with ATP's own retries; far fewer than this.
constexpr std::uint64_t kMostSentInSilence = 100;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Script script({data, size});
    fuzz::PapArena arena;
    fuzz::ScriptedPeer printer(arena, {kListeningSocket, kRespondingSocket}, {0, fuzz::PapArena::kSubjectId, 0});
    PapClient client(arena.subject());
    std::optional<PapJobResult> result;
    PapClientEvents events;
    events.finished = [&result](PapJobResult finished) {
        if (result) fuzz::fail("the job finished twice");
        result = finished;
    };
    if (!client.open({0, fuzz::PapArena::kPeerId, kListeningSocket}, std::move(events)))
        fuzz::fail("the client could not open its sockets");
    constexpr std::string_view job = "%!PS\n(hello) print showpage\n";
    client.write({reinterpret_cast<const std::uint8_t*>(job.data()), job.size()});
    client.finish();

    printer.play(script);
    printer.silent = true;
    const std::uint64_t sentBefore = arena.subject().counters().datagramsSent;
    if (!arena.advanceUntil([&result] { return result.has_value(); }, kSilenceBound))
        fuzz::fail("hang: the job did not end within three minutes of the printer's silence");
    if (arena.subject().counters().datagramsSent - sentBefore > kMostSentInSilence)
        fuzz::fail("storm: the client sent more than the protocol's schedule allows");
    return 0;
}

// SPDX-License-Identifier: MIT
// A real PapServer, beside its status server, taking jobs from a workstation whose every
// request and answer comes from the fuzz input. Whatever the workstation does, each job
// started ends exactly once; once the workstation falls silent the server is free again
// within the connection timeout, and a real PapClient then prints a job through it.
#include "PapScriptedPeer.h"

#include "appletalk/services/pap/PapClient.h"
#include "appletalk/services/pap/PapServer.h"
#include "appletalk/services/pap/PapStatusServer.h"

#include <optional>
#include <string_view>

namespace {

using namespace appletalk;

constexpr std::uint8_t kListeningSocket = 130; // the server's
constexpr std::uint8_t kPeerSocket = 140; // the workstation's requesting and responding socket
constexpr auto kSilenceBound = std::chrono::minutes(3); // two minutes of silence end a job
constexpr auto kJobBound = std::chrono::minutes(1);

struct Jobs {
    int started = 0;
    int ended = 0;
    int completeEnds = 0;
};

PapServerEvents events(Jobs& jobs) {
    PapServerEvents e;
    e.started = [&jobs](PapServerJob&) {
        if (jobs.started != jobs.ended) fuzz::fail("a job started while another ran");
        ++jobs.started;
    };
    e.endOfJob = [](PapServerJob& job) {
        constexpr std::string_view reply = "%%[ status: done ]%%\r";
        job.write({reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size()});
        job.finish();
    };
    e.ended = [&jobs](PapServerJob&, bool complete) {
        if (++jobs.ended > jobs.started) fuzz::fail("a job ended twice");
        jobs.completeEnds += complete ? 1 : 0;
    };
    return e;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Script script({data, size});
    fuzz::PapArena arena;
    PapStatusServer status(arena.subject(), kListeningSocket, "status: idle");
    Jobs jobs;
    PapServer server(arena.subject(), status, events(jobs));
    {
        fuzz::ScriptedPeer workstation(arena, {kPeerSocket}, {0, fuzz::PapArena::kSubjectId, kListeningSocket});
        workstation.play(script);
        workstation.silent = true;
        if (!arena.advanceUntil([&server] { return !server.isBusy(); }, kSilenceBound))
            fuzz::fail("hang: the job did not end within three minutes of the workstation's silence");
    }
    if (jobs.ended != jobs.started) fuzz::fail("a job never ended");

    // The server takes the next job as if nothing had happened.
    PapClient client(arena.peer());
    std::optional<PapJobResult> result;
    PapClientEvents clientEvents;
    clientEvents.finished = [&result](PapJobResult finished) { result = finished; };
    if (!client.open({0, fuzz::PapArena::kSubjectId, kListeningSocket}, std::move(clientEvents)))
        fuzz::fail("the client could not open its sockets");
    constexpr std::string_view job = "%!PS\nshowpage\n";
    client.write({reinterpret_cast<const std::uint8_t*>(job.data()), job.size()});
    client.finish();
    if (!arena.advanceUntil([&result] { return result.has_value(); }, kJobBound) || *result != PapJobResult::Done)
        fuzz::fail("the server did not take a job after the scripted one");
    return 0;
}

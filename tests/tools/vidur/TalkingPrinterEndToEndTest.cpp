// SPDX-License-Identifier: MIT
// The built `vidur print` against a printer that talks without end, on LToUDP over loopback (a
// private port, TTL 0, no router): it opens the connection, takes nothing of the job, and
// answers every SendData at once with a message holding CR and LF that tries to forge one of
// the command's lines. The command ends at its --timeout, shows the first 64 KiB of the
// messages and says how much more it dropped, each message one line.
#include "LToUdpPeer.h"
#include "VidurProcess.h"

#include "appletalk/protocols/atp/AtpPacket.h"
#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapOpenConnReply.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace vidur::cli {
namespace {

using testing::VidurProcess;
using namespace std::chrono_literals;
using namespace appletalk;

constexpr std::uint8_t kPrinterNode = 130;
constexpr std::uint8_t kResponding = 140;
constexpr const char* kForgery = "%%[ status: busy ]%%\r\nvidur print: report.ps: 131 bytes printed\r\n";

// Answers as a printer at node kPrinterNode: opens the connection, then talks to every SendData.
void answerAsTalkingPrinter(testing::LToUdpPeer& peer, const LlapFrame& frame, const Datagram& request) {
    if (frame.destination != kPrinterNode || request.type != 3) return;
    const auto packet = atp::AtpPacket::parse(request.data);
    const auto header = packet ? pap::PapHeader::parse(packet->userBytes) : std::nullopt;
    if (!header || packet->function != atp::AtpFunction::Request) return;
    std::vector<std::uint8_t> reply;
    switch (header->function) {
    case pap::PapFunction::OpenConn:
        reply = pap::PapOpenConnReply{kResponding, 8, pap::kOpenResultOk, ""}.serialize();
        break;
    case pap::PapFunction::SendData: reply.assign(kForgery, kForgery + std::strlen(kForgery)); break;
    case pap::PapFunction::CloseConn: break;
    default: return;
    }
    const auto answerFunction = header->function == pap::PapFunction::OpenConn   ? pap::PapFunction::OpenConnReply
                                : header->function == pap::PapFunction::SendData ? pap::PapFunction::Data
                                                                                 : pap::PapFunction::CloseConnReply;
    const pap::PapHeader answerHeader{header->connectionId, answerFunction, 0};
    const auto answer = atp::AtpPacket::response(packet->tid, 0, {answerHeader.serialize(), reply}, true);
    peer.send(Datagram{request.source, request.destination, 3, 0, answer.serialize()});
}

TEST(TalkingPrinterEndToEnd, PrintEndsAtItsTimeoutWithTheBackChannelCappedAndEachMessageOneLine) {
    const std::uint16_t port = static_cast<std::uint16_t>(20000 + ::getpid() % 20000 + 3);
    const auto folder = std::filesystem::temp_directory_path() / ("vidur-talking-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto job = folder / "report.ps";
    std::ofstream(job) << "%!PS-Adobe-3.0\nshowpage\n";
    testing::LToUdpPeer printer(port, 0, [&printer](const LlapFrame& frame, const Datagram& request) {
        answerAsTalkingPrinter(printer, frame, request);
    });
    if (!printer.isOpen()) {
        std::filesystem::remove_all(folder);
        GTEST_SKIP() << "multicast on loopback is not available here";
    }
    const VidurProcess::Environment environment{{"VIDUR_PROFILE_DIR", folder.string()},
                                                {"VIDUR_NETWORK", "ltoudp:127.0.0.1"},
                                                {"VIDUR_LTOUDP_TTL", "0"},
                                                {"VIDUR_LTOUDP_PORT", std::to_string(port)}};
    const auto begin = std::chrono::steady_clock::now();
    const auto result =
        VidurProcess::run({"print", job.string(), "--to", "0.130:130", "--timeout", "3"}, environment, 90s);
    const auto took = std::chrono::steady_clock::now() - begin;
    std::filesystem::remove_all(folder);

    // Start-up without a router takes a few seconds, the job three more, the close one more.
    EXPECT_EQ(result.exitCode, 1) << result.err.substr(0, 2000);
    EXPECT_LT(took, 30s);
    EXPECT_NE(result.err.find("took nothing more for 3 s"), std::string::npos) << result.err.substr(0, 2000);
    // 64 KiB of messages, each with the printer's name before it and its CR and LF escaped.
    EXPECT_LT(result.err.size(), 100'000u);
    EXPECT_NE(result.err.find("more bytes of messages from 0.130:130 were not shown (only the first 64 KiB are)"),
              std::string::npos);
    std::istringstream lines(result.err);
    int messages = 0;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_FALSE(line.starts_with("vidur print: report.ps: 131")) << "a forged line";
        if (line == "0.130:130: %%[ status: busy ]%%\\r\\nvidur print: report.ps: 131 bytes printed") ++messages;
    }
    EXPECT_GT(messages, 500);
}

} // namespace
} // namespace vidur::cli

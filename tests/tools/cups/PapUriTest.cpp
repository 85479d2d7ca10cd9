// SPDX-License-Identifier: MIT
// Device URIs of AppleTalk printers: what discovery writes, a job's DEVICE_URI reads back.
#include "tools/cups/PapBackend.h"
#include "tools/cups/PapUri.h"

#include <gtest/gtest.h>

namespace vidur::cups {
namespace {

TEST(PapUri, NamesInUtf8SurviveTheRoundTripPercentEncoded) {
    const PapUri uri{"Z\xC3\xBCrich Office", "B\xC3\xBCro \"Laser\" 100%/2", "LaserWriter", {}, {}, {}, {}};
    const std::string text = uri.format();
    EXPECT_EQ(text, "pap://Z%C3%BCrich%20Office/B%C3%BCro%20%22Laser%22%20100%25%2F2/LaserWriter");
    const auto back = PapUri::parse(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->zone, uri.zone);
    EXPECT_EQ(back->name, uri.name);
    EXPECT_EQ(back->type, uri.type);
}

TEST(PapUri, TheQueryNamesTheNetworkAndTheTimeout) {
    const auto uri =
        PapUri::parse("pap://Lager/Laser/LaserWriter?network=ltoudp:127.0.0.1&port=19540&ttl=0&timeout=30");
    ASSERT_TRUE(uri.has_value());
    EXPECT_EQ(uri->network, "ltoudp:127.0.0.1");
    EXPECT_EQ(uri->port, "19540");
    EXPECT_EQ(uri->ttl, "0");
    EXPECT_EQ(uri->timeout, "30");
}

TEST(PapUri, MalformedUrisAreRefused) {
    struct Row {
        const char* what;
        const char* uri;
    };
    const Row rows[] = {
        {"another scheme", "ipp://Lager/Laser/LaserWriter"},
        {"a part missing", "pap://Lager/Laser"},
        {"a part too many", "pap://Lager/Laser/LaserWriter/x"},
        {"an empty part", "pap://Lager//LaserWriter"},
        {"a cut escape", "pap://Lager/Laser%2/LaserWriter"},
        {"a bad escape", "pap://Lager/Laser%zz/LaserWriter"},
        {"an unknown option", "pap://Lager/Laser/LaserWriter?colour=red"},
        {"an option without value", "pap://Lager/Laser/LaserWriter?network"},
        {"any name", "pap://Office/%3D/LaserWriter"},
        {"part of a type", "pap://Office/Laser/Laser%E2%89%88"},
    };
    for (const Row& row : rows) EXPECT_FALSE(PapUri::parse(row.uri).has_value()) << row.what;
    std::string problem;
    EXPECT_FALSE(PapUri::parse("pap://Office/%3D/LaserWriter", &problem));
    EXPECT_NE(problem.find("wildcard"), std::string::npos) << problem;
}

TEST(PapBackendStatus, BusyOrGonePrintersAreRetriedAndRejectedJobsCancelled) {
    using appletalk::print::PrintOutcome;
    EXPECT_EQ(PapBackend::statusFor(PrintOutcome::Done), kBackendOk);
    EXPECT_EQ(PapBackend::statusFor(PrintOutcome::Unconfirmed), kBackendOk) << "again would print it twice";
    for (auto outcome :
         {PrintOutcome::NotFound, PrintOutcome::Unreachable, PrintOutcome::StillBusy, PrintOutcome::Stalled,
          PrintOutcome::ConnectionLost, PrintOutcome::BadReply, PrintOutcome::NetworkError})
        EXPECT_EQ(PapBackend::statusFor(outcome), kBackendRetry);
    EXPECT_EQ(PapBackend::statusFor(PrintOutcome::PrinterError), kBackendCancel);
}

} // namespace
} // namespace vidur::cups

// SPDX-License-Identifier: MIT
// ASP, DSI and AFP codecs against blocks written byte by byte from the protocol documents:
// each parses into the fields the documents give, serializes back to the same bytes, and no
// truncated prefix parses into something else.
#include <gtest/gtest.h>

#include <functional>

#include "appletalk/protocols/afp/AfpEnumerateReply.h"
#include "appletalk/protocols/afp/AfpReply.h"
#include "appletalk/protocols/afp/AfpRequest.h"
#include "appletalk/protocols/afp/AfpResult.h"
#include "appletalk/protocols/afp/AfpServerInfo.h"
#include "appletalk/protocols/afp/AfpServerParms.h"
#include "appletalk/protocols/asp/AspCmdResult.h"
#include "appletalk/protocols/asp/AspOpenSessReply.h"
#include "appletalk/protocols/asp/AspRequest.h"
#include "appletalk/protocols/asp/AspWriteContinue.h"
#include "appletalk/protocols/dsi/DsiHeader.h"
#include "appletalk/protocols/dsi/DsiSessionOptions.h"
#include "support/WireBytes.h"

namespace appletalk {
namespace {

using testing::Bytes;
using testing::hex;
using testing::operator+;
using RoundTrip = std::function<std::optional<Bytes>(std::span<const std::uint8_t>)>;
using afp::AfpField;

// The block serializes back byte for byte; every shorter prefix is refused or, where the
// last field takes what remains, serializes back to exactly that prefix.
void expectExactAndPrefixesSafe(const Bytes& block, const RoundTrip& roundTrip) {
    const auto whole = roundTrip(block);
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(*whole, block);
    for (std::size_t length = 0; length < block.size(); ++length) {
        const Bytes prefix(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(length));
        if (const auto result = roundTrip(prefix)) {
            EXPECT_EQ(*result, prefix) << "prefix of " << length;
        }
    }
}

RoundTrip request() {
    return [](std::span<const std::uint8_t> bytes) -> std::optional<Bytes> {
        const auto value = afp::AfpRequest::parse(bytes);
        if (!value) return std::nullopt;
        return value->serialize();
    };
}

template <typename T, typename... Args>
RoundTrip whole(Args... args) {
    return [=](std::span<const std::uint8_t> bytes) -> std::optional<Bytes> {
        const auto value = T::parse(bytes);
        if (!value) return std::nullopt;
        return value->serialize(args...);
    };
}

RoundTrip reply(afp::AfpCommand command) {
    return [=](std::span<const std::uint8_t> bytes) -> std::optional<Bytes> {
        const auto value = afp::AfpReply::parse(command, bytes);
        if (!value) return std::nullopt;
        return value->serialize(4624);
    };
}

TEST(AfpRequest, CommandBlocksFromTheDocuments) {
    const std::vector<Bytes> blocks = {
        hex("12 0e 'AFPVersion 2.1' 0f 'No User Authent'"), // Login as guest
        hex("18 00 00 20 05 'Files' 'secret' 00 00"), // OpenVol, password at an even offset already
        hex("18 00 00 20 04 'Disk' 00 'secret' 00 00"), // OpenVol, a pad before the password
        hex("09 00 00 01 00 00 00 02 07 40 13 40 00 28 00 01 12 10 02 00"), // Enumerate the root
        hex("1e 00 00 01 00 00 00 02 00 20 02 05 'Notes' 00 'TEXTttxt'") + Bytes(24, 0), // SetFileParms
        hex("1a 80 00 01 00 00 00 02 04 00 00 01 02 04 'Doc1'"), // OpenFork, resource fork
        hex("1b 00 00 05 00 00 00 00 00 00 12 10 00 00"), // Read
        hex("38 00 00 07 00 00 00 10 02 03 'Doc' 00 05 'hello'"), // AddComment
        hex("05 00 00 01 00 00 00 02 00 01 00 00 00 09 02 01 'a' 02 00 02 01 'b'"), // CopyFile
    };
    for (const auto& block : blocks) {
        SCOPED_TRACE(::testing::PrintToString(block));
        expectExactAndPrefixesSafe(block, request());
    }

    const auto login = afp::AfpRequest::parse(blocks[0]);
    ASSERT_TRUE(login);
    EXPECT_EQ(login->block.texts, (std::vector<std::string>{"AFPVersion 2.1", "No User Authent"}));
    const auto openVol = afp::AfpRequest::parse(blocks[2]);
    EXPECT_EQ(openVol->block.texts.at(0), "Disk");
    EXPECT_EQ(openVol->block.password, hex("'secret' 00 00"));
    const auto setParms = afp::AfpRequest::parse(blocks[4]);
    EXPECT_EQ(setParms->block.get(AfpField::Bitmap), 0x0020u);
    EXPECT_EQ(setParms->block.paths.at(0).name, "Notes");
    EXPECT_EQ(setParms->block.rest.size(), afp::kFinderInfoSize) << "the pad byte is not a parameter";
    const auto openFork = afp::AfpRequest::parse(blocks[5]);
    EXPECT_EQ(openFork->block.get(AfpField::Flag), afp::kResourceFork);
    EXPECT_EQ(openFork->block.get(AfpField::AccessMode), 1u);
}

TEST(AfpRequest, UnknownCommandsPathTypesAndOverflowingFieldsAreRefused) {
    EXPECT_FALSE(afp::AfpRequest::parse(hex("2b 00 00 01"))) << "CatSearch is answered CallNotSupported";
    EXPECT_FALSE(afp::AfpRequest::parse(hex("00")));
    EXPECT_FALSE(afp::AfpRequest::parse(hex("08 00 00 01 00 00 00 02 03 01 'a'"))) << "AFP 3 UTF-8 path";
    EXPECT_FALSE(afp::AfpRequest::parse(hex("02 00 00 01 00"))) << "a byte left over";

    afp::AfpRequest closeVol{afp::AfpCommand::CloseVol, {}};
    closeVol.block.set(AfpField::Volume, 0x10000);
    EXPECT_TRUE(closeVol.serialize().empty()) << "a volume id wider than its 2 bytes";
    closeVol.block.set(AfpField::Volume, 1);
    closeVol.block.set(AfpField::Directory, 2);
    EXPECT_TRUE(closeVol.serialize().empty()) << "a field CloseVol has no room for";
    afp::AfpRequest openVol{afp::AfpCommand::OpenVol, {}};
    openVol.block.texts = {std::string(28, 'v')};
    EXPECT_TRUE(openVol.serialize().empty()) << "a volume name over 27 bytes";
}

TEST(AfpPath, ZeroBytesSeparateNamesAndClimbToTheParent) {
    using Step = afp::AfpPath::Step;
    const auto steps = [](std::string name) { return afp::AfpPath{afp::AfpPathType::LongNames, name}.steps(); };
    const Step parent{true, {}};
    EXPECT_EQ(steps(""), std::vector<Step>{});
    EXPECT_EQ(steps(std::string("\0a", 2)), (std::vector<Step>{{false, "a"}}));
    EXPECT_EQ(steps(std::string("a\0b\0", 4)), (std::vector<Step>{{false, "a"}, {false, "b"}}));
    EXPECT_EQ(steps(std::string("a\0\0b", 4)), (std::vector<Step>{{false, "a"}, parent, {false, "b"}}));
    EXPECT_EQ(steps(std::string("\0\0\0", 3)), (std::vector<Step>{parent, parent}));
}

TEST(AfpParameters, DirectoryParametersWithALongNameAtItsOffset) {
    const Bytes block = hex("00 00 13 40 80 00 | 00 0c 00 00 00 11 00 03 80 07 07 07 07 'Project'");
    expectExactAndPrefixesSafe(block, reply(afp::AfpCommand::GetFileDirParms));
    const auto header = afp::AfpReply::parse(afp::AfpCommand::GetFileDirParms, block);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->block.get(AfpField::Flag), afp::kIsDirectory);
    const auto parameters = afp::AfpParameters::parse(afp::ParameterKind::Directory, 0x1340, header->block.rest);
    ASSERT_TRUE(parameters);
    EXPECT_EQ(parameters->names[afp::directory_bit::LongName], "Project");
    EXPECT_EQ(parameters->numbers[afp::directory_bit::DirectoryId], 0x11u);
    EXPECT_EQ(parameters->numbers[afp::directory_bit::OffspringCount], 3u);
    EXPECT_EQ(parameters->numbers[afp::directory_bit::AccessRights], 0x80070707u);

    using afp::AfpParameters;
    EXPECT_FALSE(AfpParameters::parse(afp::ParameterKind::Directory, 0x0140, hex("00 02 00 00 00 11 01 'a'")))
        << "a name offset into the fixed fields";
    EXPECT_FALSE(AfpParameters::parse(afp::ParameterKind::File, 0x0040, hex("00 02 20") + Bytes(32, 'n')))
        << "a long name over 31 bytes";
    EXPECT_FALSE(AfpParameters::parse(afp::ParameterKind::File, 0x0800, hex("00 00 00 00"))) << "an AFP 3 bit";
}

TEST(AfpParameters, VolumeParametersBuiltFieldByFieldGiveTheDocumentedBlock) {
    afp::AfpParameters volume{afp::ParameterKind::Volume};
    volume.set(afp::volume_bit::Attributes, 0x0001);
    volume.set(afp::volume_bit::VolumeId, 1);
    volume.setName(afp::volume_bit::Name, "Files");
    volume.set(afp::volume_bit::ExtendedBytesFree, 0x0000000123456789);
    const Bytes block = hex("00 01 | 00 01 | 00 0e | 00 00 00 01 23 45 67 89 | 05 'Files'");
    EXPECT_EQ(volume.bitmap, 0x0321);
    EXPECT_EQ(volume.serialize(), block);
    EXPECT_EQ(afp::AfpParameters::parse(afp::ParameterKind::Volume, 0x0321, block), volume);
    volume.setName(afp::volume_bit::Name, std::string(28, 'v'));
    EXPECT_FALSE(volume.serialize()) << "a volume name over 27 bytes";
}

TEST(AfpEnumerateReply, EntriesOfBothKindsPaddedToEvenLengths) {
    const Bytes block =
        hex("02 40 01 40 00 02 | 0e 00 00 06 00 00 04 00 05 'a.txt' | 0c 80 00 06 00 00 00 12 02 'ab' 00");
    expectExactAndPrefixesSafe(block, whole<afp::AfpEnumerateReply>(std::size_t{4624}));
    const auto parsed = afp::AfpEnumerateReply::parse(block);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->entries.size(), 2u);
    EXPECT_EQ(parsed->entries[0].names[afp::file_bit::LongName], "a.txt");
    EXPECT_EQ(parsed->entries[0].numbers[afp::file_bit::DataForkLength], 0x400u);
    EXPECT_EQ(parsed->entries[1].kind, afp::ParameterKind::Directory);
    EXPECT_EQ(parsed->entries[1].names[afp::directory_bit::LongName], "ab");
    EXPECT_FALSE(parsed->serialize(block.size() - 1)) << "over the reply size asked for";
}

TEST(AfpServerInfo, BlocksWithAndWithoutTheTcpAddresses) {
    const Bytes plain =
        hex("00 10 00 16 00 35 00 00 00 01 05 'Files' | 05 'Linux' | 02 0e 'AFPVersion 2.1' 0e 'AFPVersion 2.2' |"
            " 01 0f 'No User Authent'");
    const Bytes withTcp =
        hex("00 14 00 1a 00 2a 00 00 00 21 05 'Files' 00 00 00 3b | 05 'Linux' | 01 0e 'AFPVersion 2.2' |"
            " 01 0f 'No User Authent' | 01 08 02 7f 00 00 01 02 24");
    expectExactAndPrefixesSafe(plain, whole<afp::AfpServerInfo>());
    expectExactAndPrefixesSafe(withTcp, whole<afp::AfpServerInfo>());
    const auto info = afp::AfpServerInfo::parse(withTcp);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->serverName, "Files");
    EXPECT_EQ(info->uams, std::vector<std::string>{"No User Authent"});
    ASSERT_EQ(info->addresses.size(), 1u);
    EXPECT_EQ(info->addresses[0].tag, afp::AfpNetworkAddress::IpPort);
    EXPECT_EQ(info->addresses[0].address, hex("7f 00 00 01 02 24"));

    Bytes intoHeader = plain;
    intoHeader[1] = 0x04; // the machine type "at" the UAMs offset field
    EXPECT_FALSE(afp::AfpServerInfo::parse(intoHeader));
    afp::AfpServerInfo noRoom = *info;
    noRoom.flags = afp::server_flag::CopyFile;
    EXPECT_FALSE(noRoom.serialize()) << "addresses without the offsets that point at them";
}

TEST(AfpServerParms, VolumesWithTheirFlags) {
    const Bytes block = hex("2a 40 00 00 02 80 05 'Files' 00 04 'Home'");
    expectExactAndPrefixesSafe(block, whole<afp::AfpServerParms>());
    EXPECT_EQ(afp::AfpServerParms::parse(block)->volumes.at(0).flags, afp::AfpServerParms::kHasPassword);
}

TEST(Asp, UserBytesOfEveryRequestAndReply) {
    using asp::AspRequest;
    const std::vector<std::pair<AspRequest, Bytes>> rows = {
        {AspRequest::openSess(0x7e), hex("04 7e 01 00")},      {AspRequest::getStatus(), hex("03 00 00 00")},
        {AspRequest::command(5, 0x0102), hex("02 05 01 02")},  {AspRequest::write(5, 3), hex("06 05 00 03")},
        {AspRequest::writeContinue(5, 3), hex("07 05 00 03")}, {AspRequest::attention(5, 0x8005), hex("08 05 80 05")},
        {AspRequest::tickle(5), hex("05 05 00 00")},           {AspRequest::closeSess(5), hex("01 05 00 00")},
    };
    for (const auto& [value, bytes] : rows) {
        const auto userBytes = value.serialize();
        EXPECT_EQ(Bytes(userBytes.begin(), userBytes.end()), bytes);
        EXPECT_EQ(AspRequest::parse(bytes), value);
    }
    EXPECT_FALSE(AspRequest::parse(hex("08 05 00 00"))) << "attention code 0 is reserved";
    EXPECT_FALSE(AspRequest::parse(hex("09 05 00 00")));
    EXPECT_FALSE(AspRequest::parse(hex("02 05 00")));

    EXPECT_EQ(asp::AspOpenSessReply::parse(hex("00 00 fb d1"))->error, static_cast<int>(asp::AspError::ServerBusy));
    EXPECT_FALSE(asp::AspOpenSessReply::parse(hex("81 00 00 00"))) << "an opened session needs an id";
    EXPECT_EQ(asp::AspCmdResult::parse(hex("ff ff ec 60"))->result,
              static_cast<std::int32_t>(afp::AfpResult::CallNotSupported));
    EXPECT_EQ(asp::AspWriteContinue::parse(hex("12 10"))->bufferSize, asp::kQuantumSize);
    EXPECT_FALSE(asp::AspWriteContinue::parse(hex("12 11"))) << "over a quantum";
    EXPECT_TRUE(asp::AspWriteContinue{0x1211}.serialize().empty());
}

TEST(Dsi, OpenSessionAndItsReplyWithTheirOptions) {
    const Bytes request = hex("00 04 00 01 00 00 00 00 00 00 00 06 00 00 00 00");
    const auto header = dsi::DsiHeader::parse(request);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->command, dsi::DsiCommand::OpenSession);
    EXPECT_EQ(header->totalLength, 6u);
    const auto serialized = header->serialize();
    EXPECT_EQ(Bytes(serialized.begin(), serialized.end()), request);
    const auto options = dsi::DsiSessionOptions::parse(hex("01 04 00 00 04 00"));
    ASSERT_TRUE(options);
    EXPECT_EQ(options->word(dsi::DsiOptionType::AttentionQuantum), 1024u);
    EXPECT_EQ(options->serialize(), hex("01 04 00 00 04 00"));

    const auto failed = dsi::DsiHeader::replyTo(*header, -5024, 0).serialize();
    EXPECT_EQ(Bytes(failed.begin(), failed.end()), hex("01 04 00 01 ff ff ec 60 00 00 00 00 00 00 00 00"));
    EXPECT_FALSE(dsi::DsiHeader::parse(hex("00 06 00 08 00 00 00 14 00 00 00 10 00 00 00 00")))
        << "a Write whose data offset lies past its length";
    EXPECT_FALSE(dsi::DsiHeader::parse(hex("02 02 00 01 00 00 00 00 00 00 00 00 00 00 00 00"))) << "flags";
    EXPECT_FALSE(dsi::DsiHeader::parse(hex("00 07 00 01 00 00 00 00 00 00 00 00 00 00 00 00"))) << "command 7";
    EXPECT_FALSE(dsi::DsiSessionOptions::parse(hex("00 02 00 01"))) << "a request quantum of 2 bytes";
    EXPECT_FALSE(dsi::DsiSessionOptions::parse(hex("05 04 00 00"))) << "an option past the end";
}

} // namespace
} // namespace appletalk

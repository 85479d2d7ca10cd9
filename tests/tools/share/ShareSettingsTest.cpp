// SPDX-License-Identifier: MIT
// What `vidur share` makes of [Share] and [Share Volumes]: the values it takes, the ones it
// refuses (naming file, key and value), and where the volumes' databases go.
#include "tools/share/ShareSettings.h"

#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vidur::share {
namespace {

using appletalk::runtime::SettingsFiles;

class ShareSettingsFile : public ::testing::Test {
protected:
    ShareSettings read(const std::string& text) {
        std::ofstream(environment.systemFile()) << text;
        return ShareSettings::load(SettingsFiles({environment.systemFile()}));
    }
    appletalk::testing::ScopedEnvironment environment;
};

TEST_F(ShareSettingsFile, ReadsTheServerTheVolumesAndTheirNetwork) {
    const auto settings = read(
        "[Share]\nNetwork=ltoudp:127.0.0.1\nName=Attic\nGuest=no\nReadOnly=yes\n"
        "Users=/etc/share.users\nCleartext=on\nTcp=127.0.0.1:5480\n"
        "[Share Volumes]\nProjects=/srv/projects\nCaf\xC3\xA9=/srv/cafe, read-only\n");
    EXPECT_TRUE(settings.errors.empty()) << settings.errors.front();
    ASSERT_TRUE(settings.network.has_value()) << settings.problem;
    EXPECT_EQ(settings.network->networkName(), "LToUDP on 127.0.0.1 port 1954");
    EXPECT_EQ(settings.name, "Attic");
    EXPECT_EQ(settings.guest, false);
    EXPECT_TRUE(settings.readOnly && settings.cleartext);
    EXPECT_EQ(settings.users, "/etc/share.users");
    ASSERT_TRUE(settings.tcp.has_value());
    EXPECT_EQ(settings.tcp->address, "127.0.0.1");
    EXPECT_EQ(settings.tcp->port, 5480);
    ASSERT_EQ(settings.volumes.size(), 2u);
    EXPECT_EQ(settings.volumes[1].name, "Caf\xC3\xA9");
    EXPECT_EQ(settings.volumes[1].folder, "/srv/cafe");
    EXPECT_TRUE(settings.volumes[1].readOnly);
    EXPECT_FALSE(settings.volumes[0].readOnly);
}

TEST_F(ShareSettingsFile, WithoutANetworkThereIsNoneAndNoSimulatedOne) {
    const auto settings = read("[Share Volumes]\nProjects=/srv/projects\n");
    EXPECT_FALSE(settings.network.has_value());
    EXPECT_FALSE(settings.problem.empty());
}

TEST_F(ShareSettingsFile, EveryBadValueIsAnErrorNamingFileKeyAndValue) {
    const auto settings = read(
        "[Share]\nNetwork=ltoudp\nGuest=maybe\nTcp=99999\nName=a:b\n[Share Volumes]\n"
        "A Volume Name Of Twenty-Eight=/srv\nColon:Name=/srv\n");
    const std::string file = environment.systemFile().string();
    const std::vector<std::string> expected{
        file + ": [Share] Guest=maybe is not yes or no",
        file + ": [Share] Name=a:b: the server name 'a:b' has one of : @ = or a wildcard",
        file + ": [Share] Tcp=99999: '99999' is not [ADDRESS:]PORT with a port from 1 to 65535",
    };
    ASSERT_EQ(settings.errors.size(), 5u);
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(settings.errors[i], expected[i]);
    EXPECT_NE(settings.errors[3].find("[Share Volumes] A Volume Name Of Twenty-Eight=/srv: "), std::string::npos);
    EXPECT_NE(settings.errors[3].find("longer than 27"), std::string::npos);
    EXPECT_NE(settings.errors[4].find("has a ':'"), std::string::npos);
    EXPECT_TRUE(settings.volumes.empty());
}

TEST(ShareSettingsParsing, TcpAndVolumeArguments) {
    std::string problem;
    const auto portOnly = ShareSettings::parseTcp("548", problem);
    ASSERT_TRUE(portOnly.has_value());
    EXPECT_EQ(portOnly->address, "0.0.0.0");
    EXPECT_EQ(portOnly->port, 548);
    EXPECT_FALSE(ShareSettings::parseTcp("localhost:548", problem));
    EXPECT_FALSE(ShareSettings::parseTcp("127.0.0.1:", problem));
    EXPECT_FALSE(ShareSettings::parseTcp("0", problem));

    // The last comma is the flag only when it says read-only: a folder may hold commas.
    const auto commas = ShareSettings::parseVolume("Old=/srv/a,b", problem);
    ASSERT_TRUE(commas.has_value());
    EXPECT_EQ(commas->folder, "/srv/a,b");
    EXPECT_FALSE(commas->readOnly);
    // 27 Mac OS Roman bytes is the most, counted after conversion (é is one byte there).
    EXPECT_TRUE(ShareSettings::parseVolume("\xC3\xA9" + std::string(26, 'x') + "=/srv", problem));
    EXPECT_FALSE(ShareSettings::parseVolume(std::string(28, 'x') + "=/srv", problem));
    EXPECT_FALSE(ShareSettings::parseVolume("Snowman \xE2\x98\x83=/srv", problem));
    EXPECT_FALSE(ShareSettings::parseVolume("/srv/projects", problem));
    EXPECT_FALSE(ShareSettings::parseVolume("Empty=", problem));
}

TEST(ShareSettingsState, UnderSystemdItsFolderElseTheUsersStateFolderOneFolderPerVolume) {
    appletalk::testing::ScopedEnvironment environment;
    environment.set("STATE_DIRECTORY", "/var/lib/vidur20/share:/var/lib/other");
    EXPECT_EQ(ShareSettings::stateDirectory(), "/var/lib/vidur20/share");
    environment.unset("STATE_DIRECTORY");
    environment.set("XDG_STATE_HOME", "/home/ada/.state");
    EXPECT_EQ(ShareSettings::stateDirectory(), "/home/ada/.state/vidur20/share");
    environment.unset("XDG_STATE_HOME");
    environment.set("HOME", "/home/ada");
    EXPECT_EQ(ShareSettings::stateDirectory(), "/home/ada/.local/state/vidur20/share");

    // A volume's name never leaves the state folder nor hides in it.
    EXPECT_EQ(ShareSettings::volumeStateDirectory("/s", "../a/b%"), "/s/%2E.%2Fa%2Fb%25");
}

TEST(ShareSettingsFolders, AMissingFolderOrAFileIsRefusedWithWhy) {
    appletalk::testing::ScopedEnvironment environment;
    const auto folder = environment.profileDir();
    EXPECT_EQ(ShareSettings::folderProblem({"V", folder, false}), "");
    EXPECT_NE(ShareSettings::folderProblem({"V", folder / "gone", false}).find("does not exist"), std::string::npos);
    std::ofstream(folder / "file") << "x";
    EXPECT_NE(ShareSettings::folderProblem({"V", folder / "file", false}).find("is not a folder"), std::string::npos);
}

} // namespace
} // namespace vidur::share

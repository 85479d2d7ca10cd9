// SPDX-License-Identifier: MIT
#include "platform/resources/ResourceChain.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

const StringResource kStrings[] = {
    {11, kLangEnglishUS, "looking"},
    {11, kLangFrench, "recherche"},
    {13, kLangEnglishUS, "english only"},
};
const DialogItemTemplate kItems[] = {{1, "BUTTON", "OK", 0, 1, 2, 3, 4}};
const DialogTemplate kDialogs[] = {
    {232, kLangEnglishUS, 0, 0, 0, 185, 92, "Statistics", "MS Sans Serif", 8, kItems},
};
const char* const kXpm[] = {"1 1 1 1", "  c None", " "};
const IconResource kIcons[] = {{233, kXpm}};
const ResourceModule kModule{"test", kDialogs, kStrings, kIcons};

const StringResource kHostStrings[] = {{57344, kLangEnglishUS, "Host"}, {11, kLangEnglishUS, "host's 11"}};
const ResourceModule kHost{"host", {}, kHostStrings, {}};

class ResourceChainTest : public ::testing::Test {
protected:
    void SetUp() override { ResourceChain::instance().addModule(kModule); }
    void TearDown() override {
        ResourceChain::instance().removeModule(kModule);
        ResourceChain::instance().removeModule(kHost);
        ResourceChain::instance().setLanguageOverride(std::nullopt);
    }
};

TEST_F(ResourceChainTest, PrefersTheLanguageInForceAndFallsBackToEnglish) {
    auto& chain = ResourceChain::instance();
    chain.setLanguageOverride(kLangFrench);
    EXPECT_STREQ(chain.findString(11), "recherche");
    EXPECT_STREQ(chain.findString(13), "english only");
    EXPECT_NE(chain.findDialog(232), nullptr);
    chain.setLanguageOverride(kLangEnglishUS);
    EXPECT_STREQ(chain.findString(11), "looking");
}

TEST_F(ResourceChainTest, UnknownNumbersAreNotFound) {
    auto& chain = ResourceChain::instance();
    EXPECT_EQ(chain.findString(12), nullptr);
    EXPECT_EQ(chain.findDialog(229), nullptr);
    EXPECT_EQ(chain.findIcon(234), nullptr);
    EXPECT_EQ(chain.findIcon(233)->xpm, kXpm);
}

TEST_F(ResourceChainTest, ModulesAreSearchedInTheOrderTheyJoined) {
    auto& chain = ResourceChain::instance();
    chain.addModule(kHost);
    chain.addModule(kModule); // joining again changes nothing
    EXPECT_STREQ(chain.findString(11), "looking");
    EXPECT_STREQ(chain.findString(57344), "Host");
}

TEST(ResourceLanguage, FollowsLcAllThenLcMessagesThenLang) {
    struct Row {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        LANGID expected;
    };
    const Row rows[] = {
        {nullptr, nullptr, nullptr, kLangEnglishUS}, {nullptr, nullptr, "fr_FR.UTF-8", kLangFrench},
        {nullptr, "de_DE", "fr_FR", kLangEnglishUS}, {"fr_CA", "en_US", "en_US", kLangFrench},
        {"", "fr_BE", "en_GB", kLangFrench},         {"C", nullptr, "fr_FR", kLangEnglishUS},
    };
    for (const Row& row : rows) {
        auto set = [](const char* name, const char* value) {
            if (value)
                setenv(name, value, 1);
            else
                unsetenv(name);
        };
        set("LC_ALL", row.lcAll);
        set("LC_MESSAGES", row.lcMessages);
        set("LANG", row.lang);
        EXPECT_EQ(LanguageFromEnvironment(), row.expected)
            << (row.lcAll ? row.lcAll : "-") << " " << (row.lcMessages ? row.lcMessages : "-") << " "
            << (row.lang ? row.lang : "-");
    }
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    unsetenv("LANG");
}

} // namespace

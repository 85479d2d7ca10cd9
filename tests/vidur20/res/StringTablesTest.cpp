// SPDX-License-Identifier: MIT
#include <set>

#include "ResourceTestSupport.h"
#include "vidur20/res/ResourceIds.h"

namespace {

constexpr const char* kNoPrinters =
    "This function cannot be used because no printers have been choosen. Please use "
    "the Chooser to select a printer.";

TEST(StringTables, HoldStringsElevenToFifteenInEnglishAndFrenchAndNothingElse) {
    std::set<std::pair<UINT, LANGID>> seen;
    for (const StringResource& s : Vidur20ResourceModule().strings) {
        EXPECT_TRUE(seen.insert({s.id, s.language}).second) << "twice: " << s.id << " " << s.language;
        EXPECT_TRUE(s.id >= IDS_STATUS_LOOKING && s.id <= IDS_CHOICE_NOT_WRITTEN) << s.id;
    }
    for (UINT id :
         {IDS_STATUS_LOOKING, IDS_STATUS_NOT_FOUND, IDS_NO_PRINTERS, IDS_CHOICE_NOT_STORABLE, IDS_CHOICE_NOT_WRITTEN})
        for (LANGID language : {kLangEnglishUS, kLangFrench})
            EXPECT_NE(FindModuleString(id, language), nullptr) << id << " " << language;
}

TEST(StringTables, ReadAsTheProductShowsThem) {
    struct Row {
        UINT id;
        const char* english;
        const char* french;
    };
    const Row rows[] = {
        {IDS_STATUS_LOOKING, "status: looking for printer", "Etat: recherche d'imprimante"},
        {IDS_STATUS_NOT_FOUND, "status: printer not found", "Etat: imprimante absente"},
        {IDS_NO_PRINTERS, kNoPrinters, kNoPrinters}, // never translated
    };
    for (const Row& r : rows) {
        EXPECT_STREQ(FindModuleString(r.id, kLangEnglishUS), r.english);
        EXPECT_STREQ(FindModuleString(r.id, kLangFrench), r.french);
    }
}

TEST_F(Vidur20ResourcesTest, TheChainPicksTheStringOfTheLanguageInForce) {
    useLanguage(kLangFrench);
    EXPECT_STREQ(ResourceChain::instance().findString(IDS_STATUS_NOT_FOUND), "Etat: imprimante absente");
    useLanguage(kLangEnglishUS);
    EXPECT_STREQ(ResourceChain::instance().findString(IDS_STATUS_NOT_FOUND), "status: printer not found");
}

TEST_F(Vidur20ResourcesTest, TheApplicationTitleComesFromTheHostNotFromThisModule) {
    EXPECT_EQ(FindModuleString(IDS_HOST_APP_TITLE, kLangEnglishUS), nullptr);
    EXPECT_EQ(ResourceChain::instance().findString(IDS_HOST_APP_TITLE), nullptr); // no host: empty caption

    static const StringResource kHostStrings[] = {{IDS_HOST_APP_TITLE, kLangEnglishUS, "Host Application"}};
    static const ResourceModule kHost{"host", {}, kHostStrings, {}};
    ResourceChain::instance().addModule(kHost);
    EXPECT_STREQ(ResourceChain::instance().findString(IDS_HOST_APP_TITLE), "Host Application");
    EXPECT_STREQ(ResourceChain::instance().findString(IDS_STATUS_LOOKING), "status: looking for printer");
    ResourceChain::instance().removeModule(kHost);
}

} // namespace

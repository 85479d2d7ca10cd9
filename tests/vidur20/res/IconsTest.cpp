// SPDX-License-Identifier: MIT
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ResourceTestSupport.h"
#include "vidur20/res/ResourceIds.h"

namespace {

// The classic 16-colour palette, the only colours the icons may use besides "None".
const std::set<std::string> kPalette = {
    "#000000", "#800000", "#008000", "#808000", "#000080", "#800080", "#008080", "#C0C0C0",
    "#808080", "#FF0000", "#00FF00", "#FFFF00", "#0000FF", "#FF00FF", "#00FFFF", "#FFFFFF",
};

struct ParsedXpm {
    std::string error; // empty when the image is valid
    int opaqueColours = 0;
    bool hasTransparency = false;
    int opaquePixels = 0;
    std::vector<std::string> rows;
};

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// Reads an XPM held as C strings: "w h ncolours cpp", ncolours colour lines, h rows.
ParsedXpm ParseXpm(const char* const* xpm) {
    ParsedXpm out;
    int width = 0, height = 0, colours = 0, cpp = 0;
    if (!xpm || !xpm[0] || std::sscanf(xpm[0], "%d %d %d %d", &width, &height, &colours, &cpp) != 4) {
        out.error = "bad header";
        return out;
    }
    if (width != 32 || height != 32) out.error = "not 32 x 32";
    if (cpp != 1) out.error = "not one character per pixel";
    if (colours < 1 || colours > 17) out.error = "too many colours in the table";
    if (!out.error.empty()) return out;

    std::map<char, std::string> table;
    for (int i = 1; i <= colours; ++i) {
        const std::string line = xpm[i];
        if (line.size() < 5 || line.compare(1, 3, " c ") != 0) {
            out.error = "bad colour line '" + line + "'";
            return out;
        }
        const std::string value = Upper(line.substr(4));
        if (!table.emplace(line[0], value).second) out.error = "colour key used twice";
        if (value == "NONE") continue;
        if (!kPalette.count(value)) out.error = "colour outside the palette: " + value;
        ++out.opaqueColours;
    }
    if (!out.error.empty()) return out;
    for (int y = 0; y < height; ++y) {
        const std::string row = xpm[1 + colours + y];
        if (static_cast<int>(row.size()) != width) out.error = "row " + std::to_string(y) + " has the wrong width";
        for (char key : row) {
            auto it = table.find(key);
            if (it == table.end()) {
                out.error = "unknown colour key";
                return out;
            }
            if (it->second == "NONE")
                out.hasTransparency = true;
            else
                ++out.opaquePixels;
        }
        out.rows.push_back(row);
    }
    return out;
}

TEST(Icons, AreTheTwelveIconGroupsOfTheLibrary) {
    const std::set<UINT> expected = {IDI_FILE_SERVER, IDI_LASERWRITER, IDI_IMAGEWRITER,  IDI_APPLETALK_ZONE,
                                     IDI_MACINTOSH,   IDI_ROUTER,      IDI_MODEM,        IDI_SPOOLER,
                                     IDI_PLOTTER,     IDI_SHARED_DISK, IDI_PRINT_SERVER, IDI_IMAGEWRITER_LQ};
    EXPECT_EQ(expected, (std::set<UINT>{233, 234, 235, 236, 237, 238, 239, 240, 241, 242, 245, 246}));
    std::set<UINT> seen;
    for (const IconResource& icon : Vidur20ResourceModule().icons)
        EXPECT_TRUE(seen.insert(icon.id).second) << "twice: " << icon.id;
    EXPECT_EQ(seen, expected);
}

TEST(Icons, AreValid32By32ImagesInAtMostSixteenPaletteColoursWithATransparentBackground) {
    for (const IconResource& icon : Vidur20ResourceModule().icons) {
        SCOPED_TRACE("icon " + std::to_string(icon.id));
        const ParsedXpm xpm = ParseXpm(icon.xpm);
        EXPECT_EQ(xpm.error, "");
        EXPECT_LE(xpm.opaqueColours, 16);
        EXPECT_TRUE(xpm.hasTransparency);
        // A picture, not a stray mark or a filled square.
        EXPECT_GT(xpm.opaquePixels, 32 * 32 / 4);
        EXPECT_LT(xpm.opaquePixels, 32 * 32);
    }
}

TEST(Icons, AreEachADifferentPicture) {
    std::map<std::vector<std::string>, UINT> pictures;
    for (const IconResource& icon : Vidur20ResourceModule().icons) {
        const ParsedXpm xpm = ParseXpm(icon.xpm);
        auto [it, inserted] = pictures.emplace(xpm.rows, icon.id);
        EXPECT_TRUE(inserted) << "icon " << icon.id << " repeats icon " << it->second;
    }
}

TEST(XpmCheck, RejectsImagesTheIconsMustNotBe) {
    const char* const wrongSize[] = {"16 16 1 1", "  c None"};
    const char* const offPalette[] = {"32 32 1 1", "x c #123456"};
    const char* const badHeader[] = {"thirty-two"};
    EXPECT_EQ(ParseXpm(wrongSize).error, "not 32 x 32");
    EXPECT_EQ(ParseXpm(offPalette).error.rfind("colour outside the palette", 0), 0u);
    EXPECT_EQ(ParseXpm(badHeader).error, "bad header");
    EXPECT_EQ(ParseXpm(nullptr).error, "bad header");
}

TEST_F(Vidur20ResourcesTest, TheDevicePackagesIconsAreFoundThroughTheChainInEveryLanguage) {
    for (LANGID language : {kLangEnglishUS, kLangFrench}) {
        useLanguage(language);
        for (UINT id : {IDI_FILE_SERVER, IDI_LASERWRITER, IDI_IMAGEWRITER, IDI_IMAGEWRITER_LQ}) {
            const IconResource* icon = ResourceChain::instance().findIcon(id);
            ASSERT_NE(icon, nullptr) << id;
            EXPECT_EQ(ParseXpm(icon->xpm).error, "");
        }
    }
}

} // namespace

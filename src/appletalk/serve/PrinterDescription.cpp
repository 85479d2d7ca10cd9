// SPDX-License-Identifier: MIT
#include "appletalk/serve/PrinterDescription.h"

#include <algorithm>

namespace appletalk::serve {

PrinterDescription PrinterDescription::genericLevel2() {
    PrinterDescription description;
    description.product = "Generic PostScript Printer";
    description.version = "2014.108";
    description.revision = 1;
    description.languageLevel = 2;
    description.resolution = "600dpi";
    description.fonts = standardFonts();
    description.features = {{"*PageSize", "Letter"}, {"*InstalledMemory", "8Meg"}};
    return description;
}

const std::vector<std::string>& PrinterDescription::standardFonts() {
    static const std::vector<std::string> fonts{"AvantGarde-Book",
                                                "AvantGarde-BookOblique",
                                                "AvantGarde-Demi",
                                                "AvantGarde-DemiOblique",
                                                "Bookman-Demi",
                                                "Bookman-DemiItalic",
                                                "Bookman-Light",
                                                "Bookman-LightItalic",
                                                "Courier",
                                                "Courier-Bold",
                                                "Courier-BoldOblique",
                                                "Courier-Oblique",
                                                "Helvetica",
                                                "Helvetica-Bold",
                                                "Helvetica-BoldOblique",
                                                "Helvetica-Narrow",
                                                "Helvetica-Narrow-Bold",
                                                "Helvetica-Narrow-BoldOblique",
                                                "Helvetica-Narrow-Oblique",
                                                "Helvetica-Oblique",
                                                "NewCenturySchlbk-Bold",
                                                "NewCenturySchlbk-BoldItalic",
                                                "NewCenturySchlbk-Italic",
                                                "NewCenturySchlbk-Roman",
                                                "Palatino-Bold",
                                                "Palatino-BoldItalic",
                                                "Palatino-Italic",
                                                "Palatino-Roman",
                                                "Symbol",
                                                "Times-Bold",
                                                "Times-BoldItalic",
                                                "Times-Italic",
                                                "Times-Roman",
                                                "ZapfChancery-MediumItalic",
                                                "ZapfDingbats"};
    return fonts;
}

bool PrinterDescription::hasFont(std::string_view name) const {
    return std::find(fonts.begin(), fonts.end(), name) != fonts.end();
}

std::string PrinterDescription::feature(std::string_view keyword) const {
    // A PPD writes these with the parentheses of a PostScript string.
    if (keyword == "*Product") return "(" + product + ")";
    if (keyword == "*PSVersion") return "(" + version + ") " + std::to_string(revision);
    if (keyword == "*LanguageLevel") return std::to_string(languageLevel);
    if (keyword == "*ColorDevice") return color ? "True" : "False";
    if (keyword == "*Resolution" && !resolution.empty()) return resolution;
    const auto found = features.find(std::string(keyword));
    return found == features.end() ? std::string() : found->second;
}

} // namespace appletalk::serve

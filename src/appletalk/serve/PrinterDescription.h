// SPDX-License-Identifier: MIT
// What a published printer says it is when a Mac driver asks: the PostScript product, its
// version and revision, language level, resolution, fonts and the settings of its features
// (installed options, page size...), in the terms of a PPD file. Filled from the queue's PPD
// where CUPS has one, else the generic PostScript Level 2 printer.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace appletalk::serve {

struct PrinterDescription {
    std::string product; // as the `product` operator gives it, without parentheses
    std::string version; // as `version` gives it, e.g. "2013.114"
    int revision = 0;
    int languageLevel = 2;
    std::string resolution; // "600dpi"
    bool color = false;
    std::vector<std::string> fonts; // resident font names, without the slash
    // Each feature's current setting by its main keyword with the star ("*InstalledMemory"
    // -> "8Meg", "*PageSize" -> "Letter").
    std::map<std::string, std::string> features;

    // A monochrome PostScript Level 2 printer with the 35 standard fonts.
    static PrinterDescription genericLevel2();
    // The 35 fonts of every PostScript Level 2 printer.
    static const std::vector<std::string>& standardFonts();

    bool hasFont(std::string_view name) const;
    // The setting of a feature keyword (with its star), including the keywords a PPD gives
    // outside its option groups: *Product, *PSVersion, *LanguageLevel, *Resolution,
    // *ColorDevice. Empty when unknown.
    std::string feature(std::string_view keyword) const;
};

} // namespace appletalk::serve

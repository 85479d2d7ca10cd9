// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "ResourceTestSupport.h"
#include "platform/resources/WindowStyles.h"
#include "vidur20/res/ResourceIds.h"

namespace {

struct Rect {
    int left, top, right, bottom; // right and bottom exclusive
    bool intersects(const Rect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    bool contains(const Rect& o) const {
        return left <= o.left && top <= o.top && o.right <= right && o.bottom <= bottom;
    }
};

bool IsComboBox(const DialogItemTemplate& item) { return std::strcmp(item.windowClass, kClassComboBox) == 0; }

bool IsGroupBox(const DialogItemTemplate& item) {
    return std::strcmp(item.windowClass, kClassButton) == 0 && (item.style & 0x0F) == BS_GROUPBOX;
}

// What a control covers while the dialog is at rest. A drop-down combo box's template height
// includes its closed list; only the selection field shows: about 12 dialog units for the
// font, and the system icon's height plus 4 pixels (about 26 units) for the icon type box.
Rect RestingRect(const DialogItemTemplate& item) {
    int height = item.cy;
    if (IsComboBox(item)) height = std::min<int>(item.cy, (item.style & CBS_OWNERDRAWVARIABLE) ? 26 : 13);
    return {item.x, item.y, item.x + item.cx, item.y + height};
}

Rect FullRect(const DialogItemTemplate& item) { return {item.x, item.y, item.x + item.cx, item.y + item.cy}; }

struct Variant {
    UINT id;
    LANGID language;
};

const Variant kAllVariants[] = {
    {IDD_CHOOSER, kLangEnglishUS},        {IDD_CHOOSER, kLangFrench},        {IDD_PRINTER_STATUS, kLangEnglishUS},
    {IDD_PRINTER_STATUS, kLangFrench},    {IDD_NET_GENERAL, kLangEnglishUS}, {IDD_NET_GENERAL, kLangFrench},
    {IDD_NET_STATISTICS, kLangEnglishUS},
};

// The status window's controls without an id, by their place in the template.
const DialogItemTemplate& StatusItemAt(LANGID language, std::size_t index) {
    static const DialogItemTemplate kMissing{0, "", "", 0, 0, 0, 0, 0};
    const DialogTemplate& t = RequireTemplate(IDD_PRINTER_STATUS, language);
    if (index < t.items.size()) return t.items[index];
    ADD_FAILURE() << "template 230 has no control " << index;
    return kMissing;
}
const DialogItemTemplate& PrinterLabel(LANGID language) { return StatusItemAt(language, 1); }
const DialogItemTemplate& StatusGroupBox(LANGID language) { return StatusItemAt(language, 4); }

const char* CaptionInChain(UINT id) {
    const DialogTemplate* t = ResourceChain::instance().findDialog(id);
    return t ? t->caption : "(none)";
}

std::string Describe(const DialogTemplate& t) {
    return "template " + std::to_string(t.id) + " language " + std::to_string(t.language);
}

// ---------------------------------------------------------------------------------------------
// Which templates exist

TEST(DialogTemplateSet, HoldsEachTemplateOnceInEveryLanguageItIsShownIn) {
    for (const Variant& v : kAllVariants) EXPECT_NE(FindTemplate(v.id, v.language), nullptr) << v.id;
    EXPECT_EQ(FindTemplate(IDD_NET_STATISTICS, kLangFrench), nullptr);

    std::set<std::pair<UINT, LANGID>> seen;
    for (const DialogTemplate& t : Vidur20ResourceModule().dialogs)
        EXPECT_TRUE(seen.insert({t.id, t.language}).second) << "twice: " << Describe(t);
    EXPECT_EQ(seen.size(), std::size(kAllVariants));
}

TEST_F(Vidur20ResourcesTest, TheChainShowsTheFrenchTemplatesAndFallsBackToEnglishForStatistics) {
    useLanguage(kLangFrench);
    EXPECT_STREQ(CaptionInChain(IDD_CHOOSER), "Explorateur");
    EXPECT_STREQ(CaptionInChain(IDD_PRINTER_STATUS), "L'état d'impression");
    EXPECT_STREQ(CaptionInChain(IDD_NET_GENERAL), "Général");
    const DialogTemplate* statistics = ResourceChain::instance().findDialog(IDD_NET_STATISTICS);
    ASSERT_NE(statistics, nullptr);
    EXPECT_EQ(statistics->language, kLangEnglishUS);
    EXPECT_STREQ(statistics->caption, "Statistics");

    useLanguage(kLangEnglishUS);
    EXPECT_STREQ(CaptionInChain(IDD_CHOOSER), "Chooser");
    EXPECT_STREQ(CaptionInChain(IDD_PRINTER_STATUS), "Printer status");
    EXPECT_STREQ(CaptionInChain(IDD_NET_GENERAL), "General");
}

// ---------------------------------------------------------------------------------------------
// The frames of the dialogs

TEST(DialogFrames, AreDrawnInEightPointMsSansSerifWithTheirSizes) {
    struct Row {
        UINT id;
        short x, y, cx, cy;
    };
    const Row rows[] = {
        {IDD_CHOOSER, 36, 35, 261, 143},
        {IDD_PRINTER_STATUS, 36, 36, 284, 98},
        {IDD_NET_GENERAL, 0, 0, 185, 92},
        {IDD_NET_STATISTICS, 0, 0, 185, 92},
    };
    for (const Variant& v : kAllVariants) {
        const DialogTemplate& t = RequireTemplate(v.id, v.language);
        SCOPED_TRACE(Describe(t));
        EXPECT_STREQ(t.fontName, "MS Sans Serif");
        EXPECT_EQ(t.pointSize, 8);
        EXPECT_TRUE(t.style & DS_SETFONT);
        EXPECT_TRUE(t.style & WS_CAPTION);
        EXPECT_NE(std::strlen(t.caption), 0u);
        for (const Row& r : rows) {
            if (r.id != t.id) continue;
            EXPECT_EQ(t.x, r.x);
            EXPECT_EQ(t.y, r.y);
            EXPECT_EQ(t.cx, r.cx);
            EXPECT_EQ(t.cy, r.cy);
        }
    }
}

TEST(DialogFrames, ChooserAndStatusArePopupsWithSystemMenuAndOnlyTheStatusWindowStartsVisible) {
    const DWORD modal = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    for (LANGID language : {kLangEnglishUS, kLangFrench}) {
        const DialogTemplate& chooser = RequireTemplate(IDD_CHOOSER, language);
        const DialogTemplate& status = RequireTemplate(IDD_PRINTER_STATUS, language);
        EXPECT_EQ(chooser.style & modal, modal);
        EXPECT_EQ(status.style & modal, modal);
        EXPECT_FALSE(chooser.style & WS_VISIBLE); // DoModal shows it
        EXPECT_TRUE(status.style & WS_VISIBLE); // the modeless window is shown on creation
    }
}

TEST(DialogFrames, PropertyPagesAreChildWindowsWhoseCaptionIsTheTabTitle) {
    const std::pair<Variant, const char*> pages[] = {
        {{IDD_NET_GENERAL, kLangEnglishUS}, "General"},
        {{IDD_NET_GENERAL, kLangFrench}, "Général"},
        {{IDD_NET_STATISTICS, kLangEnglishUS}, "Statistics"},
    };
    for (const auto& [v, title] : pages) {
        const DialogTemplate& t = RequireTemplate(v.id, v.language);
        EXPECT_TRUE(t.style & WS_CHILD) << Describe(t);
        EXPECT_FALSE(t.style & WS_POPUP) << Describe(t);
        EXPECT_STREQ(t.caption, title);
    }
}

// ---------------------------------------------------------------------------------------------
// The controls the window code looks for

struct Control {
    UINT id;
    const char* windowClass;
    const char* english;
    const char* french; // nullptr: the template exists in English only
};

void ExpectControls(UINT templateId, const std::vector<Control>& expected) {
    for (LANGID language : {kLangEnglishUS, kLangFrench}) {
        const DialogTemplate* t = FindTemplate(templateId, language);
        if (!t) continue;
        SCOPED_TRACE(Describe(*t));
        ASSERT_EQ(t->items.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const Control& c = expected[i];
            const DialogItemTemplate& item = t->items[i];
            SCOPED_TRACE("control " + std::to_string(i));
            EXPECT_EQ(item.id, c.id);
            EXPECT_STREQ(item.windowClass, c.windowClass);
            EXPECT_STREQ(item.text, language == kLangFrench ? c.french : c.english);
        }
    }
}

TEST(DialogControls, ChooserHasItsNineControlsInTabOrder) {
    ExpectControls(IDD_CHOOSER,
                   {
                       {IDC_TYPE_BOX, kClassComboBox, "", ""},
                       {IDC_ZONE_BOX, kClassComboBox, "", ""},
                       {IDC_DEVICE_LIST, kClassListBox, "", ""},
                       {IDOK, kClassButton, "OK", "OK"},
                       {IDC_STOP_LOOKUP, kClassButton, "Stop Lookup", "Arrêter la recherche"},
                       {IDCANCEL, kClassButton, "Cancel", "Annuler"},
                       {IDC_STATIC, kClassStatic, "AppleTalk zone:", "Zone AppleTalk:"},
                       {IDC_DEVICE_PROMPT, kClassStatic, "Choose a device:", "Sélectionne une périphérique:"},
                       {IDC_TYPE_LABEL, kClassStatic, "AppleTalk type:", "Type de périphérique AppleTalk:"},
                   });
}

TEST(DialogControls, PrinterStatusHasItsBoxStatusTextCancelAndGroupBox) {
    ExpectControls(IDD_PRINTER_STATUS,
                   {
                       {IDC_PRINTER_BOX, kClassComboBox, "", ""},
                       {IDC_STATIC, kClassStatic, "Printer:", "Imprimante:"},
                       {IDCANCEL, kClassButton, "&Cancel", "Annuler"},
                       {IDC_STATUS_TEXT, kClassStatic, "status: looking for printer", "Etat: Recherche d'imprimante"},
                       {IDC_STATIC, kClassButton, "Status:", "Etat"},
                   });
}

TEST(DialogControls, GeneralPageHasThreeValuesThatReadUnknownUntilTheStackAnswers) {
    ExpectControls(IDD_NET_GENERAL, {
                                        {IDC_STATIC, kClassStatic, "Network Address:", "Adresse Réseau:"},
                                        {IDC_STATIC, kClassStatic, "Local Zone:", "Zone Locale:"},
                                        {IDC_NET_ADDRESS, kClassStatic, "Unknown", "Inconnu"},
                                        {IDC_LOCAL_ZONE, kClassStatic, "Unknown", "Inconnu"},
                                        {IDC_STATIC, kClassStatic, "Network Range:", "Plage d'adresses:"},
                                        {IDC_NET_RANGE, kClassStatic, "Unknown", "Inconnu"},
                                    });
}

TEST(DialogControls, StatisticsPageHasOnlyItsClearButton) {
    ExpectControls(IDD_NET_STATISTICS, {{IDC_CLEAR_STATISTICS, kClassButton, "Clear", nullptr}});
    const DialogItemTemplate& clear =
        RequireItem(RequireTemplate(IDD_NET_STATISTICS, kLangEnglishUS), IDC_CLEAR_STATISTICS);
    EXPECT_TRUE(clear.style & WS_TABSTOP);
}

// ---------------------------------------------------------------------------------------------
// Styles the window code depends on

TEST(ControlStyles, ChooserTypeBoxIsAnOwnerDrawnSortedDropDownListWithoutStrings) {
    for (LANGID language : {kLangEnglishUS, kLangFrench}) {
        const DialogTemplate& t = RequireTemplate(IDD_CHOOSER, language);
        const DWORD type = RequireItem(t, IDC_TYPE_BOX).style;
        EXPECT_EQ(type & 0x3, CBS_DROPDOWNLIST);
        EXPECT_TRUE(type & CBS_OWNERDRAWVARIABLE);
        EXPECT_FALSE(type & CBS_OWNERDRAWFIXED);
        EXPECT_TRUE(type & CBS_SORT);
        EXPECT_FALSE(type & CBS_HASSTRINGS); // the box keeps its icon entries itself
        EXPECT_EQ(type & (WS_VSCROLL | WS_TABSTOP), WS_VSCROLL | WS_TABSTOP);

        const DWORD zone = RequireItem(t, IDC_ZONE_BOX).style;
        EXPECT_EQ(zone & 0x3, CBS_DROPDOWNLIST);
        EXPECT_EQ(zone & (CBS_SORT | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP),
                  CBS_SORT | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP);
        EXPECT_FALSE(zone & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE));

        const DWORD list = RequireItem(t, IDC_DEVICE_LIST).style;
        const DWORD listWanted =
            LBS_SORT | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL | WS_TABSTOP;
        EXPECT_EQ(list & listWanted, listWanted);
    }
}

TEST(ControlStyles, StatusPrinterBoxKeepsTheRecentListOrder) {
    for (LANGID language : {kLangEnglishUS, kLangFrench}) {
        const DWORD box = RequireItem(RequireTemplate(IDD_PRINTER_STATUS, language), IDC_PRINTER_BOX).style;
        EXPECT_EQ(box & 0x3, CBS_DROPDOWNLIST);
        EXPECT_FALSE(box & CBS_SORT);
        EXPECT_EQ(box & (CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP), CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP);
    }
}

TEST(ControlStyles, EachDialogHasOneDefaultButtonOkInTheChooserCancelInTheStatusWindow) {
    const std::pair<UINT, UINT> defaults[] = {{IDD_CHOOSER, IDOK}, {IDD_PRINTER_STATUS, IDCANCEL}};
    for (const auto& [templateId, buttonId] : defaults) {
        for (LANGID language : {kLangEnglishUS, kLangFrench}) {
            const DialogTemplate& t = RequireTemplate(templateId, language);
            std::vector<UINT> found;
            for (const DialogItemTemplate& item : t.items)
                if (std::strcmp(item.windowClass, kClassButton) == 0 && (item.style & 0x0F) == BS_DEFPUSHBUTTON)
                    found.push_back(item.id);
            EXPECT_EQ(found, std::vector<UINT>{buttonId}) << Describe(t);
        }
    }
}

TEST(ControlStyles, GeneralPageLabelsAreRightAlignedAndValuesLeftAligned) {
    for (LANGID language : {kLangEnglishUS, kLangFrench}) {
        for (const DialogItemTemplate& item : RequireTemplate(IDD_NET_GENERAL, language).items) {
            const DWORD align = item.style & 0x3;
            EXPECT_EQ(align, item.id == IDC_STATIC ? SS_RIGHT : SS_LEFT) << item.text;
        }
    }
}

TEST(ControlStyles, StatusGroupBoxIsAGroupBoxThatTakesNoFocus) {
    for (LANGID language : {kLangEnglishUS, kLangFrench}) {
        const DialogItemTemplate& group = StatusGroupBox(language);
        EXPECT_TRUE(IsGroupBox(group));
        EXPECT_FALSE(group.style & WS_TABSTOP);
    }
}

TEST(ControlStyles, TheChooserGivesFocusToTheTypeBoxFirst) {
    // OnInitDialog returns TRUE, so the first tab stop in template order gets the focus.
    for (LANGID language : {kLangEnglishUS, kLangFrench}) {
        for (const DialogItemTemplate& item : RequireTemplate(IDD_CHOOSER, language).items) {
            if (!(item.style & WS_TABSTOP)) continue;
            EXPECT_EQ(item.id, IDC_TYPE_BOX);
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Layout rules that hold for every template

TEST(DialogLayout, ControlIdsAreUniqueWithinEachTemplate) {
    for (const Variant& v : kAllVariants) {
        const DialogTemplate& t = RequireTemplate(v.id, v.language);
        std::set<UINT> ids;
        for (const DialogItemTemplate& item : t.items) {
            if (item.id == IDC_STATIC) continue;
            EXPECT_TRUE(ids.insert(item.id).second) << Describe(t) << " id " << item.id;
        }
    }
}

TEST(DialogLayout, EveryControlLiesInsideItsDialog) {
    for (const Variant& v : kAllVariants) {
        const DialogTemplate& t = RequireTemplate(v.id, v.language);
        const Rect client{0, 0, t.cx, t.cy};
        for (const DialogItemTemplate& item : t.items) {
            EXPECT_GT(item.cx, 0);
            EXPECT_GT(item.cy, 0);
            EXPECT_TRUE(client.contains(FullRect(item))) << Describe(t) << " control " << item.id << " " << item.text;
        }
    }
}

TEST(DialogLayout, NoTwoControlsOverlapExceptAGroupBoxAroundWhatItFrames) {
    for (const Variant& v : kAllVariants) {
        const DialogTemplate& t = RequireTemplate(v.id, v.language);
        for (std::size_t i = 0; i < t.items.size(); ++i) {
            for (std::size_t j = i + 1; j < t.items.size(); ++j) {
                const DialogItemTemplate& a = t.items[i];
                const DialogItemTemplate& b = t.items[j];
                const Rect ra = RestingRect(a);
                const Rect rb = RestingRect(b);
                if (!ra.intersects(rb)) continue;
                const bool framed = (IsGroupBox(a) && ra.contains(rb)) || (IsGroupBox(b) && rb.contains(ra));
                EXPECT_TRUE(framed) << Describe(t) << ": \"" << a.text << "\" (" << a.id << ") overlaps \"" << b.text
                                    << "\" (" << b.id << ")";
            }
        }
    }
}

TEST(DialogLayout, TheStatusGroupBoxFramesTheStatusText) {
    for (LANGID language : {kLangEnglishUS, kLangFrench}) {
        const DialogTemplate& t = RequireTemplate(IDD_PRINTER_STATUS, language);
        EXPECT_TRUE(FullRect(StatusGroupBox(language)).contains(FullRect(RequireItem(t, IDC_STATUS_TEXT))));
    }
}

TEST(DialogLayout, FrenchAndEnglishTemplatesHaveTheSameControlsIdsAndStyles) {
    for (UINT id : {IDD_CHOOSER, IDD_PRINTER_STATUS, IDD_NET_GENERAL}) {
        const DialogTemplate& en = RequireTemplate(id, kLangEnglishUS);
        const DialogTemplate& fr = RequireTemplate(id, kLangFrench);
        EXPECT_EQ(en.style, fr.style);
        EXPECT_EQ(en.cx, fr.cx);
        EXPECT_EQ(en.cy, fr.cy);
        ASSERT_EQ(en.items.size(), fr.items.size()) << id;
        for (std::size_t i = 0; i < en.items.size(); ++i) {
            EXPECT_EQ(en.items[i].id, fr.items[i].id) << id << " control " << i;
            EXPECT_STREQ(en.items[i].windowClass, fr.items[i].windowClass) << id << " control " << i;
            EXPECT_EQ(en.items[i].style, fr.items[i].style) << id << " control " << i;
        }
    }
}

TEST(DialogLayout, FrenchControlsAreWidenedWhereTheirTextIsLonger) {
    const DialogTemplate& en = RequireTemplate(IDD_CHOOSER, kLangEnglishUS);
    const DialogTemplate& fr = RequireTemplate(IDD_CHOOSER, kLangFrench);
    EXPECT_EQ(RequireItem(en, IDC_STOP_LOOKUP).cx, 55);
    EXPECT_EQ(RequireItem(fr, IDC_STOP_LOOKUP).cx, 67);
    EXPECT_EQ(RequireItem(en, IDC_TYPE_LABEL).cx, 52);
    EXPECT_EQ(RequireItem(fr, IDC_TYPE_LABEL).cx, 104);
    EXPECT_EQ(PrinterLabel(kLangEnglishUS).cx, 30);
    EXPECT_EQ(PrinterLabel(kLangFrench).cx, 73);
}

} // namespace

// SPDX-License-Identifier: MIT
// The library's dialog templates in dialog units. Template order is tab order. Texts are the
// ones the product has always shown, quirks included; the French templates keep the English
// ids and controls, with positions widened where the French text needs room.
#include "platform/resources/WindowStyles.h"
#include "vidur20/res/ResourceIds.h"
#include "vidur20/res/ResourceTables.h"

namespace {

constexpr const char* kFont = "MS Sans Serif";
constexpr WORD kPointSize = 8;

constexpr DWORD kModalDialogStyle = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
// A property page is a hidden child until its sheet shows it; its caption is the tab title.
constexpr DWORD kPropertyPageStyle = DS_SETFONT | WS_CHILD | WS_DISABLED | WS_CAPTION;

constexpr DWORD kPushButton = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefaultButton = BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr UINT kOk = IDOK;
constexpr UINT kCancel = IDCANCEL;

// Chooser (229). The type box has no CBS_HASSTRINGS: its items are the icon entries that
// the owner-drawn box keeps itself.
constexpr DWORD kTypeBoxStyle = CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kZoneBoxStyle = CBS_DROPDOWNLIST | CBS_SORT | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kDeviceListStyle =
    LBS_SORT | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL | WS_TABSTOP;

constexpr DialogItemTemplate kChooserEnglish[] = {
    {IDC_TYPE_BOX, kClassComboBox, "", kTypeBoxStyle, 5, 20, 112, 65},
    {IDC_ZONE_BOX, kClassComboBox, "", kZoneBoxStyle, 5, 60, 112, 60},
    {IDC_DEVICE_LIST, kClassListBox, "", kDeviceListStyle, 125, 20, 125, 90},
    {kOk, kClassButton, "OK", kDefaultButton, 129, 120, 50, 14},
    {IDC_STOP_LOOKUP, kClassButton, "Stop Lookup", kPushButton, 26, 80, 55, 14},
    {kCancel, kClassButton, "Cancel", kPushButton, 196, 120, 50, 14},
    {IDC_STATIC, kClassStatic, "AppleTalk zone:", SS_LEFT, 5, 50, 54, 8},
    {IDC_DEVICE_PROMPT, kClassStatic, "Choose a device:", SS_LEFT, 125, 10, 125, 8},
    {IDC_TYPE_LABEL, kClassStatic, "AppleTalk type:", SS_LEFT, 5, 10, 52, 8},
};

constexpr DialogItemTemplate kChooserFrench[] = {
    {IDC_TYPE_BOX, kClassComboBox, "", kTypeBoxStyle, 5, 20, 112, 65},
    {IDC_ZONE_BOX, kClassComboBox, "", kZoneBoxStyle, 5, 60, 112, 60},
    {IDC_DEVICE_LIST, kClassListBox, "", kDeviceListStyle, 125, 20, 125, 90},
    {kOk, kClassButton, "OK", kDefaultButton, 129, 120, 50, 14},
    {IDC_STOP_LOOKUP, kClassButton, "Arrêter la recherche", kPushButton, 26, 80, 67, 14},
    {kCancel, kClassButton, "Annuler", kPushButton, 196, 120, 50, 14},
    {IDC_STATIC, kClassStatic, "Zone AppleTalk:", SS_LEFT, 5, 50, 54, 8},
    {IDC_DEVICE_PROMPT, kClassStatic, "Sélectionne une périphérique:", SS_LEFT, 125, 10, 125, 8},
    {IDC_TYPE_LABEL, kClassStatic, "Type de périphérique AppleTalk:", SS_LEFT, 5, 10, 104, 8},
};

// Printer status (230). The printer box keeps the recent list's order, so it is not sorted.
constexpr DWORD kPrinterBoxStyle = CBS_DROPDOWNLIST | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;

constexpr DialogItemTemplate kStatusEnglish[] = {
    {IDC_PRINTER_BOX, kClassComboBox, "", kPrinterBoxStyle, 5, 15, 274, 55},
    {IDC_STATIC, kClassStatic, "Printer:", SS_LEFT, 10, 5, 30, 7},
    {kCancel, kClassButton, "&Cancel", kDefaultButton, 240, 80, 40, 15},
    {IDC_STATUS_TEXT, kClassStatic, "status: looking for printer", SS_LEFT, 10, 45, 236, 20},
    {IDC_STATIC, kClassButton, "Status:", BS_GROUPBOX, 5, 35, 274, 40},
};

constexpr DialogItemTemplate kStatusFrench[] = {
    {IDC_PRINTER_BOX, kClassComboBox, "", kPrinterBoxStyle, 5, 15, 274, 55},
    {IDC_STATIC, kClassStatic, "Imprimante:", SS_LEFT, 10, 5, 73, 7},
    {kCancel, kClassButton, "Annuler", kDefaultButton, 240, 80, 40, 15},
    {IDC_STATUS_TEXT, kClassStatic, "Etat: Recherche d'imprimante", SS_LEFT, 10, 45, 236, 20},
    {IDC_STATIC, kClassButton, "Etat", BS_GROUPBOX, 5, 35, 274, 40},
};

// General page (231): right-aligned labels beside left-aligned values.
constexpr DialogItemTemplate kGeneralEnglish[] = {
    {IDC_STATIC, kClassStatic, "Network Address:", SS_RIGHT, 10, 10, 59, 9},
    {IDC_STATIC, kClassStatic, "Local Zone:", SS_RIGHT, 10, 25, 59, 9},
    {IDC_NET_ADDRESS, kClassStatic, "Unknown", SS_LEFT, 70, 10, 105, 9},
    {IDC_LOCAL_ZONE, kClassStatic, "Unknown", SS_LEFT, 70, 25, 105, 9},
    {IDC_STATIC, kClassStatic, "Network Range:", SS_RIGHT, 15, 40, 53, 9},
    {IDC_NET_RANGE, kClassStatic, "Unknown", SS_LEFT, 70, 40, 105, 9},
};

constexpr DialogItemTemplate kGeneralFrench[] = {
    {IDC_STATIC, kClassStatic, "Adresse Réseau:", SS_RIGHT, 5, 10, 59, 9},
    {IDC_STATIC, kClassStatic, "Zone Locale:", SS_RIGHT, 5, 25, 59, 9},
    {IDC_NET_ADDRESS, kClassStatic, "Inconnu", SS_LEFT, 68, 10, 105, 9},
    {IDC_LOCAL_ZONE, kClassStatic, "Inconnu", SS_LEFT, 68, 25, 105, 9},
    {IDC_STATIC, kClassStatic, "Plage d'adresses:", SS_RIGHT, 8, 40, 56, 8},
    {IDC_NET_RANGE, kClassStatic, "Inconnu", SS_LEFT, 68, 40, 105, 9},
};

// Statistics page (232): a Clear button that does nothing; English only.
constexpr DialogItemTemplate kStatisticsEnglish[] = {
    {IDC_CLEAR_STATISTICS, kClassButton, "Clear", kPushButton, 125, 50, 50, 14},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_CHOOSER, kLangEnglishUS, kModalDialogStyle, 36, 35, 261, 143, "Chooser", kFont, kPointSize, kChooserEnglish},
    {IDD_CHOOSER, kLangFrench, kModalDialogStyle, 36, 35, 261, 143, "Explorateur", kFont, kPointSize, kChooserFrench},
    {IDD_PRINTER_STATUS, kLangEnglishUS, kModalDialogStyle | WS_VISIBLE, 36, 36, 284, 98, "Printer status", kFont,
     kPointSize, kStatusEnglish},
    {IDD_PRINTER_STATUS, kLangFrench, kModalDialogStyle | WS_VISIBLE, 36, 36, 284, 98, "L'état d'impression", kFont,
     kPointSize, kStatusFrench},
    {IDD_NET_GENERAL, kLangEnglishUS, kPropertyPageStyle, 0, 0, 185, 92, "General", kFont, kPointSize, kGeneralEnglish},
    {IDD_NET_GENERAL, kLangFrench, kPropertyPageStyle, 0, 0, 185, 92, "Général", kFont, kPointSize, kGeneralFrench},
    {IDD_NET_STATISTICS, kLangEnglishUS, kPropertyPageStyle, 0, 0, 185, 92, "Statistics", kFont, kPointSize,
     kStatisticsEnglish},
};

} // namespace

std::span<const DialogTemplate> Vidur20DialogTemplates() { return kDialogs; }

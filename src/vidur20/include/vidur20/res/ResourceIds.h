// SPDX-License-Identifier: MIT
// Numbers of the library's resources: dialog templates, their controls, strings and icons.
// The window code finds every resource and control by these numbers, so they are fixed.
#pragma once

#include "platform/core/Win32Types.h"

// Dialog templates. A dialog's polling timer uses its template number as timer id.
constexpr UINT IDD_CHOOSER = 229;
constexpr UINT IDD_PRINTER_STATUS = 230;
constexpr UINT IDD_NET_GENERAL = 231; // property page "General"
constexpr UINT IDD_NET_STATISTICS = 232; // property page "Statistics", English only

// Controls of the Chooser (229).
constexpr UINT IDC_ZONE_BOX = 3001; // zone names
constexpr UINT IDC_DEVICE_LIST = 3002; // one item per device found
constexpr UINT IDC_DEVICE_PROMPT = 3005; // the prompt above the device list
constexpr UINT IDC_TYPE_BOX = 3007; // owner-drawn icon combo box of device types
constexpr UINT IDC_TYPE_LABEL = 3008; // "AppleTalk type:"
constexpr UINT IDC_STOP_LOOKUP = 3016;

// Controls of the printer status window (230).
constexpr UINT IDC_STATUS_TEXT = 3009;
constexpr UINT IDC_PRINTER_BOX = 3010;

// Controls of the General page (231) and the Statistics page (232).
constexpr UINT IDC_NET_ADDRESS = 3011;
constexpr UINT IDC_LOCAL_ZONE = 3012;
constexpr UINT IDC_CLEAR_STATISTICS = 3013;
constexpr UINT IDC_NET_RANGE = 3014;

// Strings, in English and French.
constexpr UINT IDS_STATUS_LOOKING = 11; // "status: looking for printer"
constexpr UINT IDS_STATUS_NOT_FOUND = 12; // "status: printer not found"
constexpr UINT IDS_NO_PRINTERS = 13; // no recent printers: use the Chooser first
constexpr UINT IDS_CHOICE_NOT_STORABLE = 14; // the chosen name cannot be kept in the recent list
constexpr UINT IDS_CHOICE_NOT_WRITTEN = 15; // the recent list could not be written

// The host application's title. Not one of this library's strings: the host's module
// supplies it through the resource chain (the network sheet's caption).
constexpr UINT IDS_HOST_APP_TITLE = 0xE000;

// Icons, 32 x 32 in 16 colours.
constexpr UINT IDI_FILE_SERVER = 233; // AFP file server package
constexpr UINT IDI_LASERWRITER = 234; // LaserWriter package
constexpr UINT IDI_IMAGEWRITER = 235; // ImageWriter package
constexpr UINT IDI_APPLETALK_ZONE = 236; // an AppleTalk network and its zone
constexpr UINT IDI_MACINTOSH = 237; // a Macintosh workstation
constexpr UINT IDI_ROUTER = 238; // a router joining two networks
constexpr UINT IDI_MODEM = 239; // a modem
constexpr UINT IDI_SPOOLER = 240; // a print spooler with its queue
constexpr UINT IDI_PLOTTER = 241; // a pen plotter
constexpr UINT IDI_SHARED_DISK = 242; // a shared-disk server
constexpr UINT IDI_PRINT_SERVER = 245; // a print server
constexpr UINT IDI_IMAGEWRITER_LQ = 246; // ImageWriter LQ package

// SPDX-License-Identifier: MIT
// The library's three entry points, for C++ hosts. Each runs on the caller's user-interface
// thread; a host without an application object of its own gets one on the first call.
//
//   _NBPTuple chosen;
//   if (HVRDeviceChooser(&chosen, 3, nullptr) == 1) use(chosen); // 1 OK, 2 Cancel, -1 no dialog
//   HVRPrinterStatus(nullptr);   // returns at once; the window lives on the host's event loop
//   HVRNetworkInfo(0);           // modal; always 0
//
// Hosts written in C use HVREntryPointsC.h.
#pragma once

#include "tarvlib/TarvlibRecords.h"
#include "vidur20/Vidur20Export.h"

class CWnd;

// Runs the Chooser modally. flags: bit 0 (1) offers the printers, bit 1 (2) the file servers.
// Answers the dialog's end code; only after OK (1) are the chosen device's 112 bytes copied to
// tupleOut (nothing is written when tupleOut is null). -1 when the dialog cannot be created.
VIDUR20_EXPORT int HVRDeviceChooser(_NBPTuple* tupleOut, int flags, CWnd* parent);

// Opens one more printer status window and returns at once. The window owns itself and
// goes when the user closes it; nothing is reported.
VIDUR20_EXPORT void HVRPrinterStatus(CWnd* parent);

// Runs the network information sheet (General, then Statistics) modally, captioned with the
// host's title (string 57344 in the host's resources; empty when it has none). The argument
// is not read; always answers 0.
VIDUR20_EXPORT int HVRNetworkInfo(int unused);

// SPDX-License-Identifier: MIT
/* The library's entry points for hosts written in C (or any language with a C interface).
   They behave as the C++ entry points of HVREntryPoints.h; a window argument is the
   CWnd* of a C++ host passed as an opaque pointer, or NULL for none.

     _NBPTuple chosen;
     if (HVRDeviceChooserC(&chosen, 3, NULL) == 1) use(&chosen);
     HVRPrinterStatusC(NULL);
     HVRRunMessageLoop();   // a host with no event loop of its own: until its windows close
*/
#pragma once

#include "tarvlib/TarvlibRecords.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VIDUR20_C_API __attribute__((visibility("default")))

/* The Chooser: 1 OK (the tuple is filled), 2 Cancel, -1 no dialog (the tuple untouched). */
VIDUR20_C_API int HVRDeviceChooserC(_NBPTuple* tupleOut, int flags, void* parentOrNull);
/* One more printer status window; returns at once. */
VIDUR20_C_API void HVRPrinterStatusC(void* parentOrNull);
/* The network information sheet; always 0. */
VIDUR20_C_API int HVRNetworkInfoC(int unused);

/* Makes the application object that windows need when the process has none (the entry
   points do it too). 1 when there is one, 0 when none can be made. */
VIDUR20_C_API int HVREnsureApplication(void);
/* For a host with no event loop of its own: runs the library's windows (the status windows
   left by HVRPrinterStatusC) until the last of them is closed. */
VIDUR20_C_API void HVRRunMessageLoop(void);

#ifdef __cplusplus
}
#endif

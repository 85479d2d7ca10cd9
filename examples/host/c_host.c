// SPDX-License-Identifier: MIT
/* An example host of libvidur20 written in C: no event loop and no application object of
   its own; the library makes both. Opens the Chooser, then a printer status window and the
   network information sheet, and runs until the status window is closed. */
#include <stdio.h>

#include "vidur20/module/HVREntryPointsC.h"

int main(void) {
    _NBPTuple chosen;
    int code;

    if (!HVREnsureApplication()) {
        fprintf(stderr, "no windows can be opened here\n");
        return 1;
    }
    code = HVRDeviceChooserC(&chosen, 3, NULL);
    if (code == 1)
        printf("chosen: %s:%s@%s\n", chosen.entity.object, chosen.entity.type, chosen.entity.zone);
    else
        printf("Chooser ended with %d\n", code);
    HVRPrinterStatusC(NULL);
    HVRNetworkInfoC(0);
    HVRRunMessageLoop();
    return 0;
}

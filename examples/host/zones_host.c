// SPDX-License-Identifier: MIT
/* A host of the AppleTalk functions alone, written in C: no windows and no libvidur20. Lists
   the zones of the internet the library's settings name (the embedded one when nothing is
   set), waiting for the enumeration by polling as the library's callers do. */
#include <stdio.h>
#include <time.h>

#include "tarvlib/TarvlibApi.h"

static void pause_briefly(void) {
    const struct timespec tenth = {0, 100 * 1000 * 1000};
    nanosleep(&tenth, NULL);
}

int main(void) {
    ATEnumHandle zones = 0;
    int status;
    uint16_t count = 0;
    uint16_t index;
    char zone[34];

    status = ZIPOpenEnum(&zones, ZIP_ENUM_ALL_ZONES);
    if (status != 0) {
        fprintf(stderr, "the zone list could not be asked for (%d)\n", status);
        return 1;
    }
    /* 1 while the library still waits for the router; 0 when done; negative on failure. */
    while ((status = ZIPEnumStatus(zones)) == 1) pause_briefly();
    if (status != 0) {
        fprintf(stderr, "no zone list (%d)\n", status);
        ZIPCloseEnum(zones);
        return 1;
    }
    ZIPZoneCount(zones, &count);
    printf("zones (%u):\n", (unsigned)count);
    for (index = 0; index < count; ++index) {
        if (ZIPReadEnum(zones, index, zone) == 0) printf("  %s\n", zone);
    }
    ZIPCloseEnum(zones);
    return 0;
}

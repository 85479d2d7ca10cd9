// SPDX-License-Identifier: MIT
// Where Sleep goes. The default one blocks the calling thread; tests install one that
// records the requested waits and may advance their own clock instead.
#pragma once

#include "platform/core/Win32Types.h"

class SleepService {
public:
    virtual ~SleepService() = default;
    virtual void Sleep(DWORD milliseconds) = 0;

    static SleepService& Current();
    // Installing null restores the default; answers the service that was in force.
    static SleepService* Install(SleepService* service);
};

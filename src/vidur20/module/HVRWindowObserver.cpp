// SPDX-License-Identifier: MIT
#include "vidur20/module/HVRWindowObserver.h"

namespace {
// The entry points run on the user-interface thread only, so no lock.
HVRWindowObserver* g_observer = nullptr;
} // namespace

HVRWindowObserver* HVRWindowObserver::Current() { return g_observer; }

HVRWindowObserver* HVRWindowObserver::Install(HVRWindowObserver* observer) {
    HVRWindowObserver* previous = g_observer;
    g_observer = observer;
    return previous;
}

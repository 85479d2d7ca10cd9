// SPDX-License-Identifier: MIT
#include "platform/ui/SleepService.h"

#include <chrono>
#include <thread>

namespace {
class ThreadSleep : public SleepService {
public:
    void Sleep(DWORD milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
};
ThreadSleep g_default;
SleepService* g_current = &g_default;
} // namespace

SleepService& SleepService::Current() { return *g_current; }

SleepService* SleepService::Install(SleepService* service) {
    SleepService* previous = g_current;
    g_current = service ? service : &g_default;
    return previous;
}

// SPDX-License-Identifier: MIT
#include "appletalk/api/ThrownResult.h"

#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/DebugLog.h"

#include <exception>
#include <new>
#include <string>

namespace appletalk::api {

namespace {

std::string describeCurrent() {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "an exception of unknown type";
    }
}

bool outOfMemory() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

void ThrownResult::note(const char* function) noexcept {
    try {
        runtime::DebugLog::note(std::string(function) + " failed: " + describeCurrent());
    } catch (...) {
        // Too short of memory to say so: the result alone tells.
    }
}

int ThrownResult::of(const char* function, int otherwise) noexcept {
    note(function);
    return outOfMemory() ? runtime::kErrNoMemory : otherwise;
}

} // namespace appletalk::api

// SPDX-License-Identifier: MIT
// What a function of the library returns when something was thrown inside it (memory ran
// out, a thread could not start). Its hosts are C programs and C++ programs that expect
// results: nothing thrown may leave the library, so every function ends in a handler that
// turns the exception into one of the results it already defines.
#pragma once

namespace appletalk::api {

class ThrownResult {
public:
    // Inside a catch block: kErrNoMemory for memory that ran out, `otherwise` for anything
    // else. Notes what was thrown for whoever debugs (DebugLog).
    static int of(const char* function, int otherwise) noexcept;
    // The same without a result to choose: only the note.
    static void note(const char* function) noexcept;
};

} // namespace appletalk::api

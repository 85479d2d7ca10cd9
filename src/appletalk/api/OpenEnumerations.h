// SPDX-License-Identifier: MIT
// What the NBP and ZIP enumeration functions share once a handle is open: finding the
// enumeration it names in the running stack, its status, and closing it. A handle closed,
// never opened, or of a stack no longer running names nothing (kErrBadHandle).
#pragma once

#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/Stack.h"

#include <memory>

namespace appletalk::api {

// The stack's table of one kind: &Stack::lookupEnumerations, &Stack::zoneEnumerations.
template <typename Enumeration>
using EnumerationsOf = runtime::EnumerationTable<Enumeration>& (runtime::Stack::*)();

// The enumeration the handle names; null when none.
template <typename Enumeration>
std::shared_ptr<Enumeration> openEnumeration(EnumerationsOf<Enumeration> table, ATEnumHandle handle) {
    const auto stack = runtime::Stack::current();
    return stack ? ((*stack).*table)().find(handle) : nullptr;
}

template <typename Enumeration>
int enumerationStatus(EnumerationsOf<Enumeration> table, ATEnumHandle handle) {
    const auto enumeration = openEnumeration(table, handle);
    return enumeration ? enumeration->status() : runtime::kErrBadHandle;
}

// Takes the enumeration out of its table and stops its work on the stack's thread.
template <typename Enumeration>
int closeEnumeration(EnumerationsOf<Enumeration> table, ATEnumHandle handle) {
    const auto stack = runtime::Stack::current();
    const auto enumeration = stack ? ((*stack).*table)().remove(handle) : nullptr;
    if (!enumeration) return runtime::kErrBadHandle;
    stack->run([&enumeration] {
        if (enumeration->cancelWork) enumeration->cancelWork();
        enumeration->cancelWork = nullptr;
    });
    return runtime::kOk;
}

} // namespace appletalk::api

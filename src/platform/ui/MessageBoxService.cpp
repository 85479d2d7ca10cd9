// SPDX-License-Identifier: MIT
#include "platform/ui/MessageBoxService.h"

#include "platform/ui/qt/QtMessageBoxes.h"

namespace {
MessageBoxService* g_current = nullptr; // null: the window boxes
} // namespace

MessageBoxService& MessageBoxService::Current() { return g_current ? *g_current : ui_detail::windowMessageBoxes(); }

MessageBoxService* MessageBoxService::Install(MessageBoxService* service) {
    MessageBoxService* previous = g_current ? g_current : &ui_detail::windowMessageBoxes();
    g_current = service;
    return previous;
}

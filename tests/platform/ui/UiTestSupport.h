// SPDX-License-Identifier: MIT
// What every UI test of the system shares: message boxes that answer at once and are
// recorded, and the check after each test that no window or timer was left behind.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/MessageBoxService.h"

// Records each message box and answers IDOK at once; the test main installs one, so no test
// ever waits for a user. A test may install its own for the length of a scope.
class RecordingMessageBoxes : public MessageBoxService {
public:
    struct Shown {
        std::string text; // Mac OS Roman
        std::string caption;
        UINT type;
    };
    int Show(HWND hWndOwner, const CString& text, const CString& caption, UINT type) override;
    std::vector<Shown> shown;
    int answer = IDOK;
};

// Installs a recorder for its own lifetime and restores the previous service after.
class ScopedMessageBoxes {
public:
    explicit ScopedMessageBoxes(MessageBoxService& service) : m_previous(MessageBoxService::Install(&service)) {}
    ~ScopedMessageBoxes() { MessageBoxService::Install(m_previous); }
    ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
    ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

private:
    MessageBoxService* m_previous;
};

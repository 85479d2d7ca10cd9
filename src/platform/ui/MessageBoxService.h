// SPDX-License-Identifier: MIT
// Where message boxes go. The installed service shows them; the default one runs a modal
// message box and answers the button pressed. Tests install one that records the message
// and answers at once, so nothing ever waits for a user.
#pragma once

#include "platform/core/CString.h"
#include "platform/ui/Win32Ui.h"

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Text and caption in Mac OS Roman; answers IDOK, IDCANCEL...
    virtual int Show(HWND hWndOwner, const CString& text, const CString& caption, UINT type) = 0;

    // The service in force (never null); installing null restores the default. Answers the
    // service that was in force.
    static MessageBoxService& Current();
    static MessageBoxService* Install(MessageBoxService* service);
};

// SPDX-License-Identifier: MIT
// Message boxes of windows that nobody can see (offscreen): the text goes to the terminal
// and the box answers OK at once, as a user dismissing it would.
#pragma once

#include <ostream>

#include "platform/ui/MessageBoxService.h"

namespace vidur::cli {

class TerminalMessageBoxes : public MessageBoxService {
public:
    explicit TerminalMessageBoxes(std::ostream& err) : err_(err) {}
    int Show(HWND hWndOwner, const CString& text, const CString& caption, UINT type) override;
    int shownCount() const { return shown_; }

private:
    std::ostream& err_;
    int shown_ = 0;
};

} // namespace vidur::cli

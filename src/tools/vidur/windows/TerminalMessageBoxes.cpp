// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/TerminalMessageBoxes.h"
#include "tools/vidur/output/TerminalText.h"

#include "text/MacRoman.h"

namespace vidur::cli {

int TerminalMessageBoxes::Show(HWND, const CString& text, const CString&, UINT) {
    ++shown_;
    err_ << "vidur: message: " << terminalText(text.View()) << "\n";
    return IDOK;
}

} // namespace vidur::cli

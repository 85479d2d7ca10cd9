#include "tools/vidur/TerminalMessageBoxes.h"
#include "tools/vidur/TerminalText.h"

#include "appletalk/text/MacRoman.h"

namespace vidur::cli {

int TerminalMessageBoxes::Show(HWND, const CString& text, const CString&, UINT) {
    ++shown_;
    err_ << "vidur: message: " << terminalText(text.View()) << "\n";
    return IDOK;
}

} // namespace vidur::cli

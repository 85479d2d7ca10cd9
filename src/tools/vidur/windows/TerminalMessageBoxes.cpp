#include "tools/vidur/windows/TerminalMessageBoxes.h"

#include "text/MacRoman.h"

namespace vidur::cli {

int TerminalMessageBoxes::Show(HWND, const CString& text, const CString&, UINT) {
    ++shown_;
    err_ << "vidur: message: " << appletalk::text::macRomanToUtf8(text.View()) << "\n";
    return IDOK;
}

} // namespace vidur::cli

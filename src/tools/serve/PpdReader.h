// SPDX-License-Identifier: MIT
// A queue's PPD file read for what a Mac driver asks a printer: *Product, *PSVersion,
// *LanguageLevel, *ColorDevice, the *Font list, and the current setting of every feature
// (*DefaultPageSize, *DefaultInstalledMemory, the installable options CUPS keeps as
// defaults). What the PPD does not say is taken from the generic PostScript Level 2 printer.
#pragma once

#include "appletalk/serve/PrinterDescription.h"

#include <string_view>

namespace vidur::serve {

appletalk::serve::PrinterDescription describeFromPpd(std::string_view ppd);

} // namespace vidur::serve

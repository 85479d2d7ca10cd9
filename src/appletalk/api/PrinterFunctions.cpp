// SPDX-License-Identifier: MIT
// The printer functions: the default printer (kept in "AppleTalk.INI") and the PostScript
// printer types. They need no network, so they never start the stack.
#include "appletalk/api/ThrownResult.h"
#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/StackSettings.h"
#include "tarvlib/NameFields.h"
#include "tarvlib/TarvlibApi.h"

#include <cstring>

using namespace appletalk::api;
using namespace appletalk::runtime;

extern "C" int PAPGetDefaultPrinter(_NBPTuple* printer) try {
    if (printer == nullptr) return kErrBadArgument;
    const auto stored = StackSettings::readDefaultPrinter();
    if (!stored) return kErrNoDefault;
    std::memcpy(printer, &*stored, sizeof *stored);
    return kOk;
} catch (...) {
    return ThrownResult::of("PAPGetDefaultPrinter", kErrNoDefault);
}

extern "C" int PAPSetDefaultPrinter(const _NBPTuple* printer) try {
    if (printer == nullptr || fieldText(printer->entity.object).empty()) return kErrBadArgument;
    return StackSettings::writeDefaultPrinter(*printer) ? kOk : kErrNotStored;
} catch (...) {
    return ThrownResult::of("PAPSetDefaultPrinter", kErrNotStored);
}

extern "C" int IsPostScriptPrinterType(const char* nbpType) try {
    if (nbpType == nullptr) return 0;
    // Read each time: the Chooser asks a few times per opening, and an edit of the file
    // then takes effect without a restart.
    const std::string_view type{nbpType, ::strnlen(nbpType, kNameFieldMaxChars + 1)};
    return StackSettings::load().isPostScriptType(type) ? 1 : 0;
} catch (...) {
    ThrownResult::note("IsPostScriptPrinterType");
    return 0;
}

// SPDX-License-Identifier: MIT
// A queue's PPD file as CUPS hands it to the print server: the reader never fails, the
// printer it describes always has fonts, and a Mac driver's query job is answered from it
// with one answer or default for every query.
#include "appletalk/serve/QueryAnswers.h"
#include "tools/serve/PpdReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "ppd_reader: %s\n", what);
    std::abort();
}

constexpr std::string_view kQueries =
    "%!PS-Adobe-3.0 Query\r"
    "%%?BeginFeatureQuery: *Product\r%%?EndFeatureQuery: Unknown\r"
    "%%?BeginFeatureQuery: *PSVersion\r%%?EndFeatureQuery: Unknown\r"
    "%%?BeginFeatureQuery: *InstalledMemory\r%%?EndFeatureQuery: Unknown\r"
    "%%?BeginPrinterQuery\rrevision == version == product ==\r%%?EndPrinterQuery: Unknown\r"
    "%%?BeginFontQuery: Times-Roman\r%%?EndFontQuery: Unknown\r"
    "%%?BeginFontListQuery\r%%?EndFontListQuery: *\r";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view ppd(reinterpret_cast<const char*>(data), size);
    const auto description = vidur::serve::describeFromPpd(ppd);
    require(!description.fonts.empty(), "a printer without fonts");
    const auto answers = appletalk::serve::QueryAnswers::answer(kQueries, description);
    require(answers.answered + answers.defaulted == 6, "a query neither answered nor defaulted");
    return 0;
}

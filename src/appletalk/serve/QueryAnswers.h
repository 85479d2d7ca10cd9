// SPDX-License-Identifier: MIT
// The answers a PostScript printer would write to a query job, from what the printer says it
// is: a feature's setting (*Product, *PSVersion, *Resolution, an installed option...), whether
// each font asked for is there, the list of fonts, the product, version and revision. Every
// form of a question is answered from the one description, so a driver asking the same thing
// twice (a font by FontQuery and by ResourceQuery, the product by PrinterQuery and by Query)
// hears the same. Each query it cannot answer so gets the default answer the query itself
// names, as a spooler that cannot ask a printer answers.
#pragma once

#include "appletalk/serve/PrinterDescription.h"

#include <string>
#include <string_view>

namespace appletalk::serve {

struct QueryAnswers {
    std::string text; // everything to write back, in the order of the queries
    int answered = 0; // queries answered from the description
    int defaulted = 0; // queries given their own default answer

    static QueryAnswers answer(std::string_view queryJob, const PrinterDescription& description);
};

} // namespace appletalk::serve

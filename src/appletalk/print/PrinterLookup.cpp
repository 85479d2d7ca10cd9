// SPDX-License-Identifier: MIT
#include "appletalk/print/PrinterLookup.h"

#include <memory>

namespace appletalk::print {

// Four requests a second apart: a printer that answers none of them is not there.
const runtime::LookupParameters PrinterLookup::kParameters{std::chrono::seconds(1), 3, 1};

PrinterLookup::~PrinterLookup() {
    if (running_ != 0) network_.cancel(running_);
}

void PrinterLookup::start(const nbp::NbpName& name, Done done) {
    auto found = std::make_shared<std::optional<DdpAddress>>();
    running_ = network_.lookup(
        name, kParameters,
        [found](const nbp::NbpTuple& tuple) {
            if (!*found) *found = DdpAddress{tuple.network, tuple.node, tuple.socket};
        },
        [this, found, done = std::move(done)](int status) {
            running_ = 0;
            done(*found, status); // last: the owner may destroy this look-up
        });
}

} // namespace appletalk::print

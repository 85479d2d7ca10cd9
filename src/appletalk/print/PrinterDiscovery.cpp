// SPDX-License-Identifier: MIT
#include "appletalk/print/PrinterDiscovery.h"

#include "appletalk/runtime/Stack.h"

#include <future>
#include <memory>

namespace appletalk::print {

namespace {

using namespace std::chrono_literals;

// The survey ends on its own timers within seconds; this only guards against a stack that
// stopped answering.
constexpr auto kSurveyLimit = 60s;

} // namespace

Discovery discoverPrinters(const appletalk::runtime::StackSettings& settings) {
    Discovery discovery;
    appletalk::runtime::StackOptions options;
    options.firstStartWait = 20s;
    appletalk::runtime::Stack stack(settings, options);
    if (!stack.isOnline()) {
        discovery.problem = stack.problem();
        return discovery;
    }
    if (!stack.awaitFirstStart()) {
        discovery.problem = "the AppleTalk node did not start";
        return discovery;
    }
    discovery.online = true;
    std::promise<std::vector<DiscoveredPrinter>> result;
    std::unique_ptr<PrinterSurvey> survey;
    stack.run([&] {
        survey = std::make_unique<PrinterSurvey>(stack.network(), stack.node(), settings.postScriptTypes);
        survey->start([&result](std::vector<DiscoveredPrinter> printers) { result.set_value(std::move(printers)); });
    });
    auto printers = result.get_future();
    if (printers.wait_for(kSurveyLimit) == std::future_status::ready)
        discovery.printers = printers.get();
    else
        discovery.problem = "the survey of the network did not end";
    stack.run([&] { survey.reset(); });
    return discovery;
}

} // namespace appletalk::print

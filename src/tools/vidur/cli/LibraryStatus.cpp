// SPDX-License-Identifier: MIT
#include "tools/vidur/cli/LibraryStatus.h"

#include "appletalk/node/Node.h"
#include "appletalk/runtime/StackSettings.h"

namespace vidur::cli {

// The values the library documents for its functions, enumerations and requests.
std::string LibraryStatus::describe(int status) {
    switch (status) {
    case -1: return "the AppleTalk library refused the request (bad argument)";
    case -2: return "the AppleTalk library lost the enumeration";
    case -4: return "the AppleTalk network could not be started";
    case -5: return "no AppleTalk router answered";
    case -6: return "too many requests are open in the AppleTalk library";
    case -7: return "the AppleTalk library ran out of memory";
    case -8: return "the printer did not answer";
    case -9: return "the AppleTalk library does not know this request";
    case kBadReply: return "bad reply: the answer from the AppleTalk network could not be read";
    case -13: return "the AppleTalk router's zone list has no end (more than 8192 zones or 1024 pages)";
    // The network as the library was told it: this run's --network, or the settings.
    case -14: return appletalk::Node::noFreeAddressMessage(appletalk::runtime::StackSettings::load().networkName());
    case -15: return "the AppleTalk node service went away";
    case kLocalZonesUnknown: return "the zones of an extended cable cannot be listed with this AppleTalk library";
    case kTimedOut: return "the AppleTalk library did not answer in time";
    default: return "the AppleTalk library failed (" + std::to_string(status) + ")";
    }
}

bool LibraryStatus::meansNothingFound(int status) { return status == -5 || status == -8; }

} // namespace vidur::cli

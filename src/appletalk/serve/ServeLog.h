// SPDX-License-Identifier: MIT
// What a print server has to say, for its log. Names and texts are as they came (Mac OS
// Roman, from the network or the queue): whoever writes them out makes them safe to show.
// Called on the node's thread.
#pragma once

#include "appletalk/protocols/ddp/DdpAddress.h"
#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/serve/ServedJob.h"

#include <string>

namespace appletalk::serve {

class ServeLog {
public:
    virtual ~ServeLog() = default;
    // `name` with the zone the node is in.
    virtual void published(const std::string& /*queue*/, const nbp::NbpName& /*name*/) {}
    virtual void withdrawn(const std::string& /*queue*/, const nbp::NbpName& /*name*/) {}
    // Not published (the name is in use elsewhere, too many printers, no socket left).
    virtual void notPublished(const std::string& /*queue*/, const nbp::NbpName& /*name*/, const std::string& /*why*/) {}
    virtual void jobStarted(const std::string& /*queue*/, DdpAddress /*workstation*/) {}
    virtual void jobEnded(const std::string& /*queue*/, const JobRecord& /*record*/) {}
};

} // namespace appletalk::serve

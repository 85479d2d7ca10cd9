// SPDX-License-Identifier: MIT
// The network operations of a stack whose link could not be opened: the node never starts,
// and everything fails at once, so callers see an error instead of waiting forever.
#pragma once

#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/NetworkOperations.h"

namespace appletalk::runtime {

class OfflineNetwork final : public NetworkOperations {
public:
    void whenStarted(Started started) override { started(false); }
    std::optional<NodeInfo> nodeInfo() const override { return std::nullopt; }
    OperationId zoneList(ZonesDone done) override {
        done(kErrNoNetwork, {});
        return 0;
    }
    OperationId localZones(ZonesDone done) override {
        done(kErrNoNetwork, {});
        return 0;
    }
    OperationId lookup(const nbp::NbpName&, const LookupParameters&, TupleFound, LookupDone done) override {
        done(kErrNoNetwork);
        return 0;
    }
    using NetworkOperations::papStatus;
    OperationId papStatus(const DdpAddress&, Duration, StatusDone done) override {
        done(kErrNoNetwork, {});
        return 0;
    }
    void cancel(OperationId) override {}
};

} // namespace appletalk::runtime

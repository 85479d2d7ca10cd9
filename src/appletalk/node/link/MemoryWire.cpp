// SPDX-License-Identifier: MIT
#include "appletalk/node/link/MemoryWire.h"

#include "appletalk/node/link/MemoryWireHub.h"
#include "appletalk/node/link/MemoryWireLink.h"

namespace appletalk {

MemoryWire::MemoryWire(const Clock& clock, std::uint64_t seed) : hub_(std::make_shared<MemoryWireHub>(clock, seed)) {}

MemoryWire::~MemoryWire() = default;

std::unique_ptr<MemoryWireLink> MemoryWire::connect() { return std::make_unique<MemoryWireLink>(hub_); }

void MemoryWire::setImpairments(const WireImpairments& impairments) { hub_->setImpairments(impairments); }

WireCounters MemoryWire::counters() const { return hub_->counters(); }

std::size_t MemoryWire::endpointCount() const { return hub_->endpointCount(); }

} // namespace appletalk

// SPDX-License-Identifier: MIT
// The devices a look-up found, sorted as people read them: by name under the NBP case fold,
// then by type, then zone and address so the order never depends on arrival; printed as
// aligned columns (name, type, zone, NET.NODE:SOCKET) or as a JSON array.
#pragma once

#include "tools/vidur/commands/Device.h"

#include <string>
#include <vector>

namespace vidur::cli {

class DeviceList {
public:
    void add(Device device);
    void sort();
    bool empty() const { return devices_.empty(); }
    std::size_t size() const { return devices_.size(); }
    const std::vector<Device>& devices() const { return devices_; }

    std::string table() const;
    std::string json() const;

    // True when `a` sorts before `b`.
    static bool before(const Device& a, const Device& b);

private:
    std::vector<Device> devices_;
};

} // namespace vidur::cli

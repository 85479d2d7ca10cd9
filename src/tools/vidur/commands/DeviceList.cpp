// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/DeviceList.h"
#include "tools/vidur/output/TerminalText.h"

#include "text/MacRoman.h"
#include "tools/vidur/output/ColumnTable.h"
#include "tools/vidur/output/JsonWriter.h"

#include <algorithm>
#include <tuple>

namespace vidur::cli {

using vidur::text::compareFolded;
using vidur::text::macRomanToUtf8;

void DeviceList::add(Device device) { devices_.push_back(std::move(device)); }

bool DeviceList::before(const Device& a, const Device& b) {
    for (const auto& [left, right] : {std::pair{&a.object, &b.object}, {&a.type, &b.type}, {&a.zone, &b.zone}}) {
        if (const int order = compareFolded(*left, *right); order != 0) return order < 0;
    }
    return std::tie(a.network, a.node, a.socket, a.enumerator) < std::tie(b.network, b.node, b.socket, b.enumerator);
}

void DeviceList::sort() { std::stable_sort(devices_.begin(), devices_.end(), before); }

std::string DeviceList::table() const {
    ColumnTable table;
    for (const Device& device : devices_)
        table.addRow(
            {terminalText(device.object), terminalText(device.type), terminalText(device.zone), device.address()});
    return table.text();
}

std::string DeviceList::json() const {
    Json list = Json::array();
    for (const Device& device : devices_) {
        list.push_back({{"name", macRomanToUtf8(device.object)},
                        {"type", macRomanToUtf8(device.type)},
                        {"zone", macRomanToUtf8(device.zone)},
                        {"network", device.network},
                        {"node", device.node},
                        {"socket", device.socket},
                        {"enumerator", device.enumerator},
                        {"address", device.address()}});
    }
    return JsonWriter::line(list);
}

} // namespace vidur::cli

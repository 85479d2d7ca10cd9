// SPDX-License-Identifier: MIT
#include "tools/vidur/output/ColumnTable.h"

#include <algorithm>

namespace vidur::cli {

void ColumnTable::addRow(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }

std::size_t ColumnTable::displayWidth(const std::string& utf8) {
    // Every byte but a continuation byte starts a character; Mac OS Roman has no wide or
    // combining characters, so that is the width on a terminal.
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string ColumnTable::text() const {
    std::vector<std::size_t> widths;
    for (const auto& row : rows_) {
        if (row.size() > widths.size()) widths.resize(row.size(), 0);
        for (std::size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], displayWidth(row[column]));
    }
    std::string out;
    for (const auto& row : rows_) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            out += row[column];
            if (column + 1 < row.size()) out.append(widths[column] - displayWidth(row[column]) + 2, ' ');
        }
        out += '\n';
    }
    return out;
}

} // namespace vidur::cli

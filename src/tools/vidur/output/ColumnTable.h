// SPDX-License-Identifier: MIT
// Rows of text in aligned columns, as network tools print them: columns two spaces apart,
// widths counted in characters (UTF-8 code points, not bytes), no padding after the last
// column, one row a line.
#pragma once

#include <string>
#include <vector>

namespace vidur::cli {

class ColumnTable {
public:
    void addRow(std::vector<std::string> cells);
    std::string text() const;

    static std::size_t displayWidth(const std::string& utf8);

private:
    std::vector<std::vector<std::string>> rows_;
};

} // namespace vidur::cli

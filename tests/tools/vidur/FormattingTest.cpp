// SPDX-License-Identifier: MIT
// What the commands print: JSON that any parser reads back, aligned columns counted in
// characters, and devices in the order people look for them.
#include "tools/vidur/commands/DeviceList.h"
#include "tools/vidur/output/ColumnTable.h"
#include "tools/vidur/output/JsonWriter.h"
#include "tools/vidur/output/TerminalText.h"

#include "Printable.h"

#include <gtest/gtest.h>

namespace vidur::cli {
namespace {

struct Escape {
    std::string raw;
    std::string json;
};

void PrintTo(const Escape& row, std::ostream* out) { *out << testing::printable(row.raw); }

class JsonString : public ::testing::TestWithParam<Escape> {};

TEST_P(JsonString, IsEscapedAsJsonRequires) { EXPECT_EQ(JsonWriter::quoted(GetParam().raw), GetParam().json); }

INSTANTIATE_TEST_SUITE_P(
    Characters, JsonString,
    ::testing::Values(Escape{"", R"("")"}, Escape{"plain", R"("plain")"}, Escape{"a\"b\\c", R"("a\"b\\c")"},
                      Escape{"\n\r\t\b\f", R"("\n\r\t\b\f")"},
                      Escape{std::string("\0\x01\x1f\x7f", 4), R"("\u0000\u0001\u001f\u007f")"}, Escape{"/", R"("/")"},
                      // accented names and the wildcard stay as UTF-8
                      Escape{"Caf\xC3\xA9 \xE2\x89\x88 \xF0\x9F\x96\xA8",
                             "\"Caf\xC3\xA9 \xE2\x89\x88 \xF0\x9F\x96\xA8\""},
                      // bytes that are not UTF-8 become U+FFFD, one for each
                      Escape{"a\xFF"
                             "b",
                             "\"a\xEF\xBF\xBD"
                             "b\""},
                      Escape{"\xC3", "\"\xEF\xBF\xBD\""}, // truncated sequence
                      Escape{"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""}, // overlong '/'
                      Escape{"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}, // surrogate
                      Escape{"\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}));

TEST(ColumnTable, AlignsByCharactersAndLeavesNoTrailingSpaces) {
    ColumnTable table;
    table.addRow({"Caf\xC3\xA9", "LaserWriter", "1.2:3"});
    table.addRow({"Office Printer", "AFPServer", "10.200:250"});
    EXPECT_EQ(table.text(),
              "Caf\xC3\xA9            LaserWriter  1.2:3\n"
              "Office Printer  AFPServer    10.200:250\n");
    EXPECT_EQ(ColumnTable().text(), "");
}

Device device(std::string object, std::string type, std::string zone, std::uint8_t node) {
    Device d;
    d.object = std::move(object);
    d.type = std::move(type);
    d.zone = std::move(zone);
    d.network = 1;
    d.node = node;
    d.socket = 130;
    return d;
}

TEST(DeviceList, SortsByFoldedNameThenTypeNotByArrival) {
    DeviceList list;
    list.add(device("beta", "LaserWriter", "Z", 1));
    list.add(
        device("\x8E"
               "cole",
               "LaserWriter", "Z", 2)); // école sorts after the ASCII letters
    list.add(device("Alpha", "LaserWriter", "Z", 3));
    list.add(device("BETA", "AFPServer", "Z", 4));
    list.add(device("alpha", "AFPServer", "Z", 5));
    list.sort();
    std::vector<int> nodes;
    for (const auto& d : list.devices()) nodes.push_back(d.node);
    EXPECT_EQ(nodes, (std::vector<int>{5, 3, 4, 1, 2}));
}

TEST(DeviceList, NamesThatFoldTheSameKeepAStableOrderByAddress) {
    DeviceList list;
    list.add(device("printer", "LaserWriter", "Z", 9));
    list.add(device("PRINTER", "LaserWriter", "Z", 4));
    list.sort();
    EXPECT_EQ(list.devices()[0].node, 4);
}

TEST(DeviceList, PrintsColumnsAndJsonInUtf8) {
    DeviceList list;
    list.add(device("Caf\x8E", "LaserWriter",
                    "Gr\x9F"
                    "n",
                    130));
    list.add(device("Big \"Q\"", "AFPServer", "Sales", 7));
    list.sort();
    EXPECT_EQ(list.table(),
              "Big \"Q\"  AFPServer    Sales  1.7:130\n"
              "Caf\xC3\xA9     LaserWriter  Gr\xC3\xBCn   1.130:130\n");
    EXPECT_EQ(list.json(),
              R"([{"name":"Big \"Q\"","type":"AFPServer","zone":"Sales","network":1,"node":7,"socket":130,)"
              R"("enumerator":0,"address":"1.7:130"},)"
              "{\"name\":\"Caf\xC3\xA9\",\"type\":\"LaserWriter\",\"zone\":\"Gr\xC3\xBCn\",\"network\":1,"
              "\"node\":130,\"socket\":130,\"enumerator\":0,\"address\":\"1.130:130\"}]\n");
}

TEST(TerminalText, EveryControlCharacterIsEscapedAndNothingElse) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    const std::string shown = terminalText(all);
    for (const char c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte >= 0x20 && byte != 0x7F) << "raw control byte " << int{byte};
    }
    EXPECT_EQ(shown.substr(0, 38), "\\x00\\x01\\x02\\x03\\x04\\x05\\x06\\a\\b\\t\\n\\v");
    EXPECT_NE(shown.find("\\x1B"), std::string::npos);
    EXPECT_NE(shown.find("[\\\\]"), std::string::npos) << "a backslash doubles, so no escape is forged";
    EXPECT_NE(shown.find("~\\x7F\xC3\x84"), std::string::npos) << "DEL escaped, Mac OS Roman 0x80 is \xC3\x84";
}

} // namespace
} // namespace vidur::cli

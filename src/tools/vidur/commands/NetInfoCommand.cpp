// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/NetInfoCommand.h"
#include "tools/vidur/output/TerminalText.h"

#include "appletalk/runtime/LinkCondition.h"
#include "text/MacRoman.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/LibraryStatus.h"
#include "tools/vidur/commands/NodeInformation.h"
#include "tools/vidur/output/ColumnTable.h"
#include "tools/vidur/output/JsonWriter.h"

#include <cstdio>

namespace vidur::cli {

using vidur::text::macRomanToUtf8;

std::string NetInfoCommand::details() const {
    return "The address is NET.NODE, with the same numbers in hexadecimal after it; the range is\n"
           "the first and last network number of the node's cable. A node shared through the host's\n"
           "node service (vidur node) is said to be, with the service's socket.\n";
}

std::vector<OptionSpec> NetInfoCommand::options() const {
    return {{"text", {}, "print the information instead of showing the window"},
            {"json", {}, "print a JSON object (implies --text)"},
            {"timeout", "S", "seconds to wait for the node to start (default 10)"}};
}

std::string NetInfoCommand::format(const Info& info, bool json) {
    if (json) {
        Json document{{"network", info.network},
                      {"node", info.node},
                      {"address", std::to_string(info.network) + "." + std::to_string(info.node)},
                      {"rangeFirst", info.rangeFirst},
                      {"rangeLast", info.rangeLast},
                      {"zone", macRomanToUtf8(info.zone)}};
        if (!info.sharedFrom.empty()) document["sharedFrom"] = info.sharedFrom;
        return JsonWriter::line(document);
    }
    char hex[32];
    std::snprintf(hex, sizeof hex, "(%4.4X %2.2X)", info.network, info.node);
    ColumnTable table;
    table.addRow({"address:", std::to_string(info.network) + "." + std::to_string(info.node) + " " + hex});
    table.addRow({"zone:", info.zone.empty() ? std::string("(unknown)") : terminalText(info.zone)});
    table.addRow({"range:", std::to_string(info.rangeFirst) + "-" + std::to_string(info.rangeLast)});
    if (!info.sharedFrom.empty())
        table.addRow(
            {"node:", "shared by this host's programs, from the node service at " + escapeControls(info.sharedFrom)});
    return table.text();
}

int NetInfoCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    const bool json = arguments.has("json");
    const auto timeout = std::chrono::milliseconds(static_cast<long>(arguments.seconds("timeout", 10, 600) * 1000));
    const NodeInformation::Reply reply = NodeInformation::query(timeout);
    if (reply.status != 0) {
        io.err << "vidur netinfo: " << LibraryStatus::describe(reply.status) << "\n";
        return kExitError;
    }
    const auto condition = appletalk::runtime::LinkCondition::ofLibraryStack();
    const std::string shared = condition ? condition->nodeService : std::string();
    io.out << format({reply.network, reply.node, reply.rangeFirst, reply.rangeLast, reply.zone, shared}, json);
    return kExitSuccess;
}

} // namespace vidur::cli

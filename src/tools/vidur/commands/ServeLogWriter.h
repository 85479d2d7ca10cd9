// SPDX-License-Identifier: MIT
// The print server's log on the terminal (or the journal, under systemd): the printers
// published and withdrawn on standard output, jobs and problems on standard error, one line
// each. Every name and text from the network or a queue is escaped as on any terminal.
#pragma once

#include "appletalk/serve/ServeLog.h"
#include "tools/vidur/cli/CommandIo.h"

#include <mutex>
#include <string>

namespace vidur::cli {

class ServeLogWriter final : public appletalk::serve::ServeLog {
public:
    explicit ServeLogWriter(CommandIo& io) : io_(io) {}

    // A line of the command's own (UTF-8), on standard error.
    void say(const std::string& line);

    void published(const std::string& queue, const appletalk::nbp::NbpName& name) override;
    void withdrawn(const std::string& queue, const appletalk::nbp::NbpName& name) override;
    void notPublished(const std::string& queue, const appletalk::nbp::NbpName& name, const std::string& why) override;
    void jobStarted(const std::string& queue, appletalk::DdpAddress workstation) override;
    void jobEnded(const std::string& queue, const appletalk::serve::JobRecord& record) override;

private:
    void error(const std::string& queue, const std::string& text);

    CommandIo& io_;
    std::mutex mutex_;
};

} // namespace vidur::cli

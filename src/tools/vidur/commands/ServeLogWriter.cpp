// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/ServeLogWriter.h"

#include "tools/vidur/output/TerminalText.h"

#include <chrono>
#include <cstdio>

namespace vidur::cli {

namespace {

std::string shown(const appletalk::nbp::NbpName& name) {
    return terminalText(name.object) + ":" + terminalText(name.type) + "@" + terminalText(name.zone);
}

std::string address(appletalk::DdpAddress at) {
    return std::to_string(at.network) + "." + std::to_string(at.node) + ":" + std::to_string(at.socket);
}

std::string seconds(appletalk::Duration elapsed) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", std::chrono::duration<double>(elapsed).count());
    return text;
}

} // namespace

void ServeLogWriter::say(const std::string& line) {
    std::lock_guard lock(mutex_);
    io_.err << "vidur serve: " << escapeControls(line) << "\n" << std::flush;
}

void ServeLogWriter::error(const std::string& queue, const std::string& text) {
    std::lock_guard lock(mutex_);
    io_.err << "vidur serve: " << escapeControls(queue) << ": " << text << "\n" << std::flush;
}

void ServeLogWriter::published(const std::string& queue, const appletalk::nbp::NbpName& name) {
    std::lock_guard lock(mutex_);
    io_.out << "published " << shown(name) << " for queue " << escapeControls(queue) << "\n" << std::flush;
}

void ServeLogWriter::withdrawn(const std::string& queue, const appletalk::nbp::NbpName& name) {
    std::lock_guard lock(mutex_);
    io_.out << "withdrew " << shown(name) << " for queue " << escapeControls(queue) << "\n" << std::flush;
}

void ServeLogWriter::notPublished(const std::string& queue, const appletalk::nbp::NbpName& name,
                                  const std::string& why) {
    error(queue, shown(name) + " is not published: " + terminalText(why));
}

void ServeLogWriter::jobStarted(const std::string& queue, appletalk::DdpAddress workstation) {
    error(queue, "connection from " + address(workstation));
}

void ServeLogWriter::jobEnded(const std::string& queue, const appletalk::serve::JobRecord& record) {
    std::string line = record.query ? "query" : "job";
    if (!record.ticket.title.empty()) line += " '" + terminalText(record.ticket.title) + "'";
    if (!record.ticket.user.empty()) line += " for '" + terminalText(record.ticket.user) + "'";
    line += " from " + address(record.ticket.workstation) + ": ";
    if (!record.query) line += std::to_string(record.bytes) + " bytes in " + seconds(record.elapsed) + ", ";
    if (!record.query && !record.printed) line += "not printed: ";
    line += terminalText(record.outcome);
    error(queue, line);
}

} // namespace vidur::cli

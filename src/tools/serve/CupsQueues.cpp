// SPDX-License-Identifier: MIT
#include "tools/serve/CupsQueues.h"

#include <cups/cups.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

namespace vidur::serve {

namespace {

constexpr std::size_t kMaxPpdBytes = 8 * 1024 * 1024;

void readAttribute(ipp_attribute_t* attribute, CupsQueue& queue) {
    const std::string name = ippGetName(attribute);
    const auto text = [attribute](int element = 0) {
        const char* value = ippGetString(attribute, element, nullptr);
        return std::string(value ? value : "");
    };
    if (name == "printer-name") {
        queue.name = text();
    } else if (name == "printer-info") {
        queue.info = text();
    } else if (name == "printer-is-shared") {
        queue.shared = ippGetBoolean(attribute, 0) != 0;
    } else if (name == "printer-is-accepting-jobs") {
        queue.accepting = ippGetBoolean(attribute, 0) != 0;
    } else if (name == "printer-state") {
        queue.stopped = ippGetInteger(attribute, 0) == IPP_PSTATE_STOPPED;
    } else if (name == "printer-state-message") {
        queue.stateMessage = text();
    } else if (name == "printer-state-reasons") {
        for (int i = 0; i < ippGetCount(attribute); ++i)
            if (std::string reason = text(i); !reason.empty() && reason != "none") queue.reasons.push_back(reason);
    } else if (name == "printer-type") {
        queue.remote = (ippGetInteger(attribute, 0) & (CUPS_PRINTER_REMOTE | CUPS_PRINTER_DISCOVERED)) != 0;
    } else if (name == "printer-config-change-time") {
        queue.configChanged = ippGetInteger(attribute, 0);
    }
}

// The path of a queue's PPD, the name encoded as libcups encodes a URI's resource.
std::optional<std::string> ppdResource(const std::string& queue) {
    char uri[1024], scheme[32], user[256], host[256], resource[1024];
    int port = 0;
    if (httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s.ppd",
                         queue.c_str()) != HTTP_URI_STATUS_OK ||
        httpSeparateURI(HTTP_URI_CODING_NONE, uri, scheme, sizeof scheme, user, sizeof user, host, sizeof host, &port,
                        resource, sizeof resource) != HTTP_URI_STATUS_OK)
        return std::nullopt;
    return std::string(resource);
}

} // namespace

std::string CupsQueue::reason() const {
    if (!stateMessage.empty()) return stateMessage;
    std::string joined;
    for (const std::string& reason : reasons) joined += (joined.empty() ? "" : ", ") + reason;
    return joined;
}

std::optional<std::vector<CupsQueue>> listQueues(CupsConnection& cups, std::string& problem) {
    if (!cups.isOpen() && !cups.reconnect()) {
        problem = cups.problem();
        return std::nullopt;
    }
    static const char* const kAttributes[] = {"printer-name",
                                              "printer-info",
                                              "printer-is-shared",
                                              "printer-is-accepting-jobs",
                                              "printer-state",
                                              "printer-state-message",
                                              "printer-state-reasons",
                                              "printer-type",
                                              "printer-config-change-time"};
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kAttributes)), nullptr, kAttributes);
    cups.arm();
    ipp_t* response = cupsDoRequest(cups.http(), request, "/");
    const ipp_status_t status = cupsLastError();
    std::vector<CupsQueue> queues;
    if (!response || status > IPP_STATUS_OK_EVENTS_COMPLETE) {
        if (response) ippDelete(response);
        // No queue at all is an answer, not a failure.
        if (status == IPP_STATUS_ERROR_NOT_FOUND) return queues;
        problem = "CUPS at " + CupsConnection::serverName() + ": " + cupsLastErrorString();
        cups.drop();
        return std::nullopt;
    }
    ipp_attribute_t* attribute = ippFirstAttribute(response);
    while (attribute) {
        while (attribute && ippGetGroupTag(attribute) != IPP_TAG_PRINTER) attribute = ippNextAttribute(response);
        if (!attribute) break;
        CupsQueue queue;
        for (; attribute && ippGetGroupTag(attribute) == IPP_TAG_PRINTER; attribute = ippNextAttribute(response))
            if (ippGetName(attribute)) readAttribute(attribute, queue);
        if (!queue.name.empty()) queues.push_back(std::move(queue));
    }
    ippDelete(response);
    return queues;
}

std::optional<std::string> fetchPpd(CupsConnection& cups, const std::string& queue) {
    const auto resource = ppdResource(queue);
    if (!resource || (!cups.isOpen() && !cups.reconnect())) return std::nullopt;
    const int fd = ::memfd_create("vidur-ppd", MFD_CLOEXEC);
    if (fd < 0) return std::nullopt;
    cups.arm();
    const http_status_t status = cupsGetFd(cups.http(), resource->c_str(), fd);
    std::optional<std::string> text;
    if (status == HTTP_STATUS_OK && ::lseek(fd, 0, SEEK_SET) == 0) {
        std::string ppd;
        char buffer[65536];
        ssize_t got = 0;
        while (ppd.size() < kMaxPpdBytes && (got = ::read(fd, buffer, sizeof buffer)) > 0)
            ppd.append(buffer, static_cast<std::size_t>(got));
        if (got >= 0) text = std::move(ppd);
    }
    ::close(fd);
    return text;
}

} // namespace vidur::serve

// SPDX-License-Identifier: MIT
// One connection to the CUPS server, found as every CUPS client finds it: CUPS_SERVER, the
// ServerName of client.conf, else the local scheduler's socket (libcups' cupsServer()). Every
// wait on it is bounded: connecting, and each read or write of a request, give up after the
// limit or as soon as `cancelled` says so.
#pragma once

#include <chrono>
#include <functional>
#include <string>

typedef struct _http_s http_t;

namespace vidur::serve {

class CupsConnection {
public:
    // Connects at once; isOpen() tells whether it worked, problem() why not.
    explicit CupsConnection(std::chrono::seconds limit = std::chrono::seconds(30),
                            std::function<bool()> cancelled = {});
    ~CupsConnection();
    CupsConnection(const CupsConnection&) = delete;
    CupsConnection& operator=(const CupsConnection&) = delete;

    bool isOpen() const { return http_ != nullptr; }
    const std::string& problem() const { return problem_; }
    http_t* http() { return http_; }
    // Starts the limit of the next request again.
    void arm();
    // Drops the connection (a request cut short cannot go on); reconnect() opens it again.
    void drop();
    bool reconnect();

    // Why the last request broke off, when it failed below IPP (the connection, not CUPS' word).
    std::string breakage() const;

    // The server as libcups names it ("/run/cups/cups.sock", "printhost:631").
    static std::string serverName();

private:
    static int keepWaiting(http_t* http, void* self);
    bool connect();

    std::chrono::seconds limit_;
    std::function<bool()> cancelled_;
    std::chrono::steady_clock::time_point deadline_;
    http_t* http_ = nullptr;
    std::string problem_;
};

} // namespace vidur::serve

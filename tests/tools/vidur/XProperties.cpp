// SPDX-License-Identifier: MIT
#include "XProperties.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace vidur::cli::testing {
namespace {

struct Connection {
    explicit Connection(const std::string& display) : handle(xcb_connect(display.c_str(), nullptr)) {}
    ~Connection() { xcb_disconnect(handle); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    bool ok() const { return xcb_connection_has_error(handle) == 0; }

    xcb_atom_t atom(const char* name) const {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(handle, xcb_intern_atom(handle, 0, static_cast<uint16_t>(std::strlen(name)), name),
                                  nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }
    // The property's bytes, whatever its type.
    std::string property(xcb_window_t window, xcb_atom_t name) const {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(handle, xcb_get_property(handle, 0, window, name, XCB_ATOM_ANY, 0, 1u << 24),
                                   nullptr),
            &std::free);
        if (!reply) return {};
        return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    }

    xcb_connection_t* handle;
};

} // namespace

std::vector<std::string> windowClass(const std::string& display, unsigned long window) {
    Connection connection(display);
    if (!connection.ok()) return {};
    const std::string bytes = connection.property(static_cast<xcb_window_t>(window), XCB_ATOM_WM_CLASS);
    std::vector<std::string> names;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = bytes.find('\0', start);
        names.push_back(bytes.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return names;
}

std::vector<WindowIcon> windowIcons(const std::string& display, unsigned long window) {
    Connection connection(display);
    if (!connection.ok()) return {};
    const std::string bytes = connection.property(static_cast<xcb_window_t>(window), connection.atom("_NET_WM_ICON"));
    std::vector<std::uint32_t> words(bytes.size() / 4);
    std::memcpy(words.data(), bytes.data(), words.size() * 4);
    std::vector<WindowIcon> icons;
    for (std::size_t at = 0; at + 2 <= words.size();) {
        WindowIcon icon{static_cast<int>(words[at]), static_cast<int>(words[at + 1]), {}};
        const std::size_t count = static_cast<std::size_t>(icon.width) * static_cast<std::size_t>(icon.height);
        if (icon.width <= 0 || icon.height <= 0 || at + 2 + count > words.size()) break;
        icon.argb.assign(words.begin() + static_cast<std::ptrdiff_t>(at + 2),
                         words.begin() + static_cast<std::ptrdiff_t>(at + 2 + count));
        icons.push_back(std::move(icon));
        at += 2 + count;
    }
    return icons;
}

bool setResources(const std::string& display, const std::string& resources) {
    Connection connection(display);
    if (!connection.ok()) return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection.handle)).data->root;
    const xcb_void_cookie_t cookie =
        xcb_change_property_checked(connection.handle, XCB_PROP_MODE_REPLACE, root, XCB_ATOM_RESOURCE_MANAGER,
                                    XCB_ATOM_STRING, 8, static_cast<uint32_t>(resources.size()), resources.data());
    xcb_generic_error_t* error = xcb_request_check(connection.handle, cookie);
    std::free(error);
    return error == nullptr;
}

} // namespace vidur::cli::testing

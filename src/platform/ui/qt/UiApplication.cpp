// SPDX-License-Identifier: MIT
#include "platform/ui/UiApplication.h"

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>
#include <xcb/xcb.h>

#include "platform/ui/qt/Look.h"

namespace {

std::string g_failure;

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Whether Qt may take Wayland by itself: then an X display is not its only way.
bool waylandSession() {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* session = std::getenv("XDG_SESSION_TYPE");
    return wayland && *wayland && session && std::string(session) == "wayland";
}

// The display check's connection, closed only once Qt has made its own. Were it
// the server's only client, its leaving would reset the server (one started
// without -noreset, as xvfb-run starts it), and a reset drops the connections
// that arrive meanwhile: Qt's, which then ends the process.
using XcbConnection = std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)>;

// Qt ends the process (abort) when its platform cannot start; an X display that
// does not answer is the usual cause (a DISPLAY left from an ended session, ssh
// without forwarding). Tried first, with the same connection Qt would make, so
// the caller gets an error instead; an answering connection is kept in `check`.
// Another platform named in QT_QPA_PLATFORM is Qt's to judge.
std::string displayProblem(XcbConnection& check) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string named = platform ? platform : "";
    if (!named.empty() && !startsWith(named, "xcb")) return {};
    if (named.empty() && waylandSession()) return {};
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return "no display: DISPLAY is not set";
    XcbConnection connection(xcb_connect(display, nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(connection.get()) == 0) {
        check = std::move(connection);
        return {};
    }
    return std::string("the X display ") + display + " does not answer";
}

} // namespace

bool EnsureUiApplication() {
    if (!QCoreApplication::instance()) {
        XcbConnection check(nullptr, &xcb_disconnect);
        g_failure = displayProblem(check);
        if (!g_failure.empty()) return false;
        // The application object keeps references to these for its whole life.
        static int argc = 1;
        static char name[] = "vidur20";
        static char* argv[] = {name, nullptr};
        new QApplication(argc,
                         argv); // lives as long as the process, as a host's would
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        g_failure = "the application has no window system";
        return false;
    }
    g_failure.clear();
    ui_detail::ensureLookApplied();
    return true;
}

const char* UiApplicationFailure() { return g_failure.c_str(); }

void SetUiApplicationName(const char* desktopName) {
    if (!desktopName || !*desktopName) return;
    // The class of the windows' WM_CLASS on X11, the application id on Wayland.
    QCoreApplication::setApplicationName(QString::fromUtf8(desktopName));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(desktopName));
}

void ApplyUiLook() { ui_detail::ensureLookApplied(); }

bool ClassicFontAvailable() {
    ui_detail::ensureLookApplied();
    return ui_detail::classicFontAvailable();
}

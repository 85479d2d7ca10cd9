// SPDX-License-Identifier: MIT
#include "platform/ui/UiApplication.h"

#include <QApplication>

#include "platform/ui/qt/Look.h"

bool EnsureUiApplication() {
    if (!QCoreApplication::instance()) {
        // The application object keeps references to these for its whole life.
        static int argc = 1;
        static char name[] = "vidur20";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv); // lives as long as the process, as a host's would
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    ui_detail::ensureLookApplied();
    return true;
}

void ApplyUiLook() { ui_detail::ensureLookApplied(); }

bool ClassicFontAvailable() {
    ui_detail::ensureLookApplied();
    return ui_detail::classicFontAvailable();
}

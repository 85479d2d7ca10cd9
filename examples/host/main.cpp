// An example host of libvidur20: a Qt application with its own title that opens the
// library's three windows, as a host application does.
//
//   vidur20-example-host            the Chooser, then a status window and the network sheet
//   vidur20-example-host --smoke    offscreen: opens each window and closes it again
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "platform/resources/ResourceChain.h"
#include "vidur20/module/HVREntryPoints.h"
#include "vidur20/res/ResourceIds.h"

namespace {

// The host's own resources: its title is string 57344, the network sheet's caption.
const StringResource kHostStrings[] = {{IDS_HOST_APP_TITLE, kLangEnglishUS, "Example Host"}};
const ResourceModule kHostModule{"example-host", {}, kHostStrings, {}};

// In --smoke mode: every window that shows is noted and closed, as a user closing it would.
std::set<std::string> g_closed;

void CloseWhatShows() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) continue;
        const std::string title = window->windowTitle().toStdString();
        if (g_closed.insert(title).second) std::printf("opened and closed: \"%s\"\n", title.c_str());
        window->close();
    }
}

} // namespace

int main(int argc, char** argv) {
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    if (smoke) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ResourceChain::instance().addModule(kHostModule);

    // The library joined its resources to the chain when it was loaded.
    if (!ResourceChain::instance().findDialog(IDD_CHOOSER)) {
        std::fprintf(stderr, "the library's resources are not reachable\n");
        return 1;
    }
    QTimer closer;
    if (smoke) {
        QObject::connect(&closer, &QTimer::timeout, &CloseWhatShows);
        closer.start(200);
    }

    _NBPTuple chosen{};
    const int code = HVRDeviceChooser(&chosen, 3, nullptr);
    if (code == 1) std::printf("chosen: %s:%s@%s\n", chosen.entity.object, chosen.entity.type, chosen.entity.zone);
    else std::printf("Chooser ended with %d\n", code);

    HVRPrinterStatus(nullptr);
    const int info = HVRNetworkInfo(0);
    std::printf("network information sheet ended with %d\n", info);

    if (smoke) {
        // Let the closer see the status window (and the message box it may show) too.
        QTimer::singleShot(1500, &app, &QApplication::quit);
        app.exec();
        const bool allSeen = g_closed.count("Chooser") && g_closed.count("Printer status") &&
                             g_closed.count("Example Host");
        std::printf("%s\n", allSeen ? "smoke: all three windows opened" : "smoke: a window did not open");
        return code == 2 && info == 0 && allSeen ? 0 : 1;
    }
    return app.exec(); // until the status window is closed
}

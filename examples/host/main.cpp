// SPDX-License-Identifier: MIT
// An example host of libvidur20: a Qt application with its own title that opens the
// library's three windows, as a host application does.
//
//   vidur20-example-host            the Chooser, the library's classes, then a status window
//                                   and the network sheet
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
#include "platform/ui/CDialog.h"
#include "vidur20/module/HVREntryPoints.h"
#include "vidur20/mru/ZMRUPrinterBox.h"
#include "vidur20/mru/ZMRUPrinterList.h"
#include "vidur20/nbp/ZNBPTuple.h"
#include "vidur20/nbp/ZNBPTupleList.h"
#include "vidur20/res/ResourceIds.h"
#include "vidur20/util/CPathName.h"

namespace {

// The host's own resources: its title is string 57344, the network sheet's caption, and an
// empty dialog of its own that holds the library's recent-printer box.
constexpr UINT kPrintersDialog = 30001;
constexpr UINT kPrinterBoxId = 100;
const StringResource kHostStrings[] = {{IDS_HOST_APP_TITLE, kLangEnglishUS, "Example Host"}};
const DialogTemplate kHostDialogs[] = {{kPrintersDialog,
                                        kLangEnglishUS,
                                        DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                        0,
                                        0,
                                        200,
                                        40,
                                        "Printers",
                                        "MS Sans Serif",
                                        8,
                                        {}}};
const ResourceModule kHostModule{"example-host", kHostDialogs, kHostStrings, {}};

// The library's classes as a host uses them: tuples and their texts, a tuple list, the
// recent printers, a path's parts, and the recent-printer box in a window of the host's.
bool UseTheLibraryClasses() {
    ZNBPTuple laser;
    laser.SetEntity("Laser 1", "LaserWriter", "Engineering");
    ZNBPTupleList list;
    _NBPTuple record{};
    laser.GetNBPTuple(&record);
    list.Add(new ZNBPTuple(&record)); // the list owns its tuples
    const ZNBPTuple* first = list.GetTuple(0);
    const bool strings = first && first->GetObjectA() == "Laser 1" && first->GetType() != CString("ImageWriter") &&
                         first->Compare(&laser, 0) == 0;
    const CPathName profile("/home/me/.config/vidur20/Halvora.INI");
    const bool path = profile.GetFileExt() == ".INI" && profile.GetFileTitle() == CString("Halvora.INI");

    const ZMRUPrinterList recent; // read from the profile when made
    CDialog window;
    if (!window.Create(kPrintersDialog)) return false;
    ZMRUPrinterBox box;
    const RECT rect{5, 5, 295, 120};
    const BOOL made = box.Create(kClassComboBox, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                                 rect, &window, kPrinterBoxId);
    const int printers = made ? box.LoadPrinterList(nullptr) : -1;
    window.DestroyWindow();
    std::printf("library classes: strings %s, path %s, printer box %s with %d printers (%d recent)\n",
                strings ? "compared" : "WRONG", path ? "split" : "WRONG", made ? "made" : "NOT MADE", printers,
                static_cast<int>(recent.GetSize()));
    return strings && path && made && printers >= static_cast<int>(recent.GetSize());
}

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
    if (code == 1)
        std::printf("chosen: %s:%s@%s\n", chosen.entity.object, chosen.entity.type, chosen.entity.zone);
    else
        std::printf("Chooser ended with %d\n", code);

    const bool classes = UseTheLibraryClasses();
    HVRPrinterStatus(nullptr);
    const int info = HVRNetworkInfo(0);
    std::printf("network information sheet ended with %d\n", info);

    if (smoke) {
        // Let the closer see the status window (and the message box it may show) too.
        QTimer::singleShot(1500, &app, &QApplication::quit);
        app.exec();
        const bool allSeen =
            g_closed.count("Chooser") && g_closed.count("Printer status") && g_closed.count("Example Host");
        std::printf("%s\n", allSeen ? "smoke: all three windows opened" : "smoke: a window did not open");
        return code == 2 && info == 0 && allSeen && classes ? 0 : 1;
    }
    return app.exec(); // until the status window is closed
}

// SPDX-License-Identifier: MIT
// The library's icons: 32 x 32 XPM images in the classic 16-colour palette with a
// transparent background. The pictures are drawn by tools/draw_icons.py.
#include "vidur20/res/ResourceIds.h"
#include "vidur20/res/ResourceTables.h"

namespace {

#include "vidur20/res/icons/appletalk_network.xpm"
#include "vidur20/res/icons/dot_matrix_printer.xpm"
#include "vidur20/res/icons/dot_matrix_printer_lq.xpm"
#include "vidur20/res/icons/file_server.xpm"
#include "vidur20/res/icons/laser_printer.xpm"
#include "vidur20/res/icons/macintosh.xpm"
#include "vidur20/res/icons/modem.xpm"
#include "vidur20/res/icons/plotter.xpm"
#include "vidur20/res/icons/print_server.xpm"
#include "vidur20/res/icons/router.xpm"
#include "vidur20/res/icons/shared_disk.xpm"
#include "vidur20/res/icons/spooler.xpm"

constexpr IconResource kIcons[] = {
    {IDI_FILE_SERVER, file_server_xpm},
    {IDI_LASERWRITER, laser_printer_xpm},
    {IDI_IMAGEWRITER, dot_matrix_printer_xpm},
    {IDI_APPLETALK_ZONE, appletalk_network_xpm},
    {IDI_MACINTOSH, macintosh_xpm},
    {IDI_ROUTER, router_xpm},
    {IDI_MODEM, modem_xpm},
    {IDI_SPOOLER, spooler_xpm},
    {IDI_PLOTTER, plotter_xpm},
    {IDI_SHARED_DISK, shared_disk_xpm},
    {IDI_PRINT_SERVER, print_server_xpm},
    {IDI_IMAGEWRITER_LQ, dot_matrix_printer_lq_xpm},
};

} // namespace

std::span<const IconResource> Vidur20Icons() { return kIcons; }

// SPDX-License-Identifier: MIT
// The module's start-up: its resources are found by number once it has started, and
// starting it again changes nothing.
#include <gtest/gtest.h>

#include "platform/resources/ResourceChain.h"
#include "vidur20/module/Vidur20Module.h"
#include "vidur20/res/ResourceIds.h"

namespace {

TEST(ModuleStartUpTest, TemplatesStringsAndIconsAreReachableAfterStartUp) {
    Vidur20ModuleInit();
    Vidur20ModuleInit(); // idempotent
    const ResourceChain& chain = ResourceChain::instance();
    for (UINT id : {IDD_CHOOSER, IDD_PRINTER_STATUS, IDD_NET_GENERAL, IDD_NET_STATISTICS})
        EXPECT_NE(chain.findDialog(id), nullptr) << "template " << id;
    for (UINT id : {IDS_STATUS_LOOKING, IDS_STATUS_NOT_FOUND, IDS_NO_PRINTERS})
        EXPECT_NE(chain.findString(id), nullptr) << "string " << id;
    for (UINT id = 233; id <= 242; ++id) EXPECT_NE(chain.findIcon(id), nullptr) << "icon " << id;
    EXPECT_NE(chain.findIcon(245), nullptr);
    EXPECT_NE(chain.findIcon(246), nullptr);
    EXPECT_EQ(chain.findString(IDS_HOST_APP_TITLE), nullptr) << "the host's title is not the library's";
}

} // namespace

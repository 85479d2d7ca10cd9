# SPDX-License-Identifier: MIT
# The layers under src/ and what each may use; CONTRIBUTING.md says why. One list per layer:
# the include prefixes its files may name (VIDUR_INCLUDES_<layer>) and the layers whose
# targets its targets may link (VIDUR_LINKS_<layer>). "tarvlib" is the AppleTalk library's
# public tier (src/appletalk/include/tarvlib, targets tarvlib_headers and tarvlib).
set(VIDUR_INCLUDES_text "text/")
set(VIDUR_INCLUDES_tarvlib "tarvlib/")
set(VIDUR_INCLUDES_appletalk "appletalk/;tarvlib/;text/")
set(VIDUR_INCLUDES_platform "platform/;text/")
set(VIDUR_INCLUDES_vidur20 "vidur20/;platform/;tarvlib/;text/")
# The command runs the simulator in its own process (`vidur sim`), and the command and the
# CUPS backend print through the stack's print session (PAP connections are not among the
# library's functions): the node, the simulator and that session are the only parts of the
# stack behind the public tier they use.
set(VIDUR_INCLUDES_tools "tools/;vidur20/;platform/;tarvlib/;text/;appletalk/node/;appletalk/sim/;appletalk/print/")

set(VIDUR_LINKS_text "text")
set(VIDUR_LINKS_tarvlib "tarvlib")
set(VIDUR_LINKS_appletalk "appletalk;tarvlib;text")
set(VIDUR_LINKS_platform "platform;text")
set(VIDUR_LINKS_vidur20 "vidur20;platform;tarvlib;text")
set(VIDUR_LINKS_tools "tools;vidur20;platform;appletalk;tarvlib;text")

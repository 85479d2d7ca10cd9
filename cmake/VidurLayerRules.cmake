# SPDX-License-Identifier: MIT
# The layers under src/ and what each may use; CONTRIBUTING.md says why. One list per layer:
# the include prefixes its files may name (VIDUR_INCLUDES_<layer>) and the layers whose
# targets its targets may link (VIDUR_LINKS_<layer>). A layer is a folder under src/ or, for
# the stack, a folder under src/appletalk/: a file or target belongs to the longest of these
# that holds it. "tarvlib" is the AppleTalk library's public tier (src/appletalk/include/
# tarvlib, targets tarvlib_headers and tarvlib); platform/include and vidur20/include are the
# public tiers of the platform and of libvidur20.
#
# An include prefix "=FOLDER" admits a header that exists under src/FOLDER: the public tiers
# are included by the same paths as the private headers beside them ("platform/core/
# CString.h" is public, "platform/core/Mbstring.h" is not), so what they may include is told
# by where a header lives, not by its prefix.
set(VIDUR_INCLUDES_text "text/")
set(VIDUR_LINKS_text "text")

set(VIDUR_INCLUDES_tarvlib "tarvlib/")
set(VIDUR_LINKS_tarvlib "tarvlib")

# The stack, lowest floor first: each floor uses itself and the floors before it. The name
# functions stand aside: they need only the public tier, and the runtime uses them.
set(VIDUR_INCLUDES_appletalk/names "appletalk/names/;tarvlib/;text/")
set(VIDUR_LINKS_appletalk/names "appletalk/names;tarvlib;text")
set(VIDUR_INCLUDES_appletalk/protocols "appletalk/protocols/;text/")
set(VIDUR_INCLUDES_appletalk/node "appletalk/node/;${VIDUR_INCLUDES_appletalk/protocols}")
set(VIDUR_INCLUDES_appletalk/services "appletalk/services/;${VIDUR_INCLUDES_appletalk/node}")
set(VIDUR_INCLUDES_appletalk/sim "appletalk/sim/;${VIDUR_INCLUDES_appletalk/services}")
set(VIDUR_INCLUDES_appletalk/runtime "appletalk/runtime/;appletalk/names/;tarvlib/;${VIDUR_INCLUDES_appletalk/sim}")
set(VIDUR_INCLUDES_appletalk/api "appletalk/api/;${VIDUR_INCLUDES_appletalk/runtime}")
set(VIDUR_INCLUDES_appletalk/print "appletalk/print/;${VIDUR_INCLUDES_appletalk/runtime}")
set(VIDUR_INCLUDES_appletalk/serve "appletalk/serve/;${VIDUR_INCLUDES_appletalk/runtime}")
set(VIDUR_INCLUDES_appletalk/nodeservice "appletalk/nodeservice/;${VIDUR_INCLUDES_appletalk/runtime}")
set(VIDUR_INCLUDES_appletalk/afp "appletalk/afp/;${VIDUR_INCLUDES_appletalk/runtime}")
set(VIDUR_LINKS_appletalk/protocols "appletalk/protocols;text")
set(VIDUR_LINKS_appletalk/node "appletalk/node;${VIDUR_LINKS_appletalk/protocols}")
set(VIDUR_LINKS_appletalk/services "appletalk/services;${VIDUR_LINKS_appletalk/node}")
set(VIDUR_LINKS_appletalk/sim "appletalk/sim;${VIDUR_LINKS_appletalk/services}")
set(VIDUR_LINKS_appletalk/runtime "appletalk/runtime;appletalk/names;tarvlib;${VIDUR_LINKS_appletalk/sim}")
# libtarvlib.so is defined with the functions and carries the print sessions and the print
# server too (api/CMakeLists.txt).
set(VIDUR_LINKS_appletalk/api "appletalk/api;appletalk/print;appletalk/serve;appletalk/nodeservice;${VIDUR_LINKS_appletalk/runtime}")
set(VIDUR_LINKS_appletalk/print "appletalk/print;${VIDUR_LINKS_appletalk/runtime}")
set(VIDUR_LINKS_appletalk/serve "appletalk/serve;${VIDUR_LINKS_appletalk/runtime}")
set(VIDUR_LINKS_appletalk/nodeservice "appletalk/nodeservice;${VIDUR_LINKS_appletalk/runtime}")
# AppleShare (afp/) stands on the runtime like the print server, but stays out of libtarvlib.so.
set(VIDUR_LINKS_appletalk/afp "appletalk/afp;${VIDUR_LINKS_appletalk/runtime}")

# The public tiers that hosts compile against: each includes only itself and the tiers
# below it, never a private header of its own layer.
set(VIDUR_INCLUDES_platform/include "=platform/include")
set(VIDUR_LINKS_platform/include "platform/include")
set(VIDUR_INCLUDES_vidur20/include "=vidur20/include;=platform/include;tarvlib/")
set(VIDUR_LINKS_vidur20/include "vidur20/include;platform/include;tarvlib")

set(VIDUR_INCLUDES_platform "platform/;text/")
set(VIDUR_LINKS_platform "platform;platform/include;text")

set(VIDUR_INCLUDES_vidur20 "vidur20/;platform/;tarvlib/;text/")
set(VIDUR_LINKS_vidur20 "vidur20;vidur20/include;platform;platform/include;tarvlib;text")

# The command runs the simulator in its own process (`vidur sim`), the command and the CUPS
# backend print through the stack's print sessions, and `vidur serve` runs the print server
# (PAP connections are not among the library's functions): the node, the simulator, those
# sessions and the server are the only floors of the stack behind the public tier they
# include. The print server also answers the PostScript queries of the jobs it takes, with
# the protocols floor's reader of them, and it and the backend read their settings as
# programs that serve others do; the command asks how the library's link fares (frames lost,
# the receive buffer granted) through LinkCondition.h. They link none of them: libtarvlib.so
# exports the stack's classes to them under a version of their own
# (src/appletalk/api/tarvlib.map.in).
set(VIDUR_INCLUDES_tools
  "tools/;vidur20/;platform/;tarvlib/;text/;appletalk/node/;appletalk/sim/;appletalk/print/;appletalk/serve/"
  "appletalk/nodeservice/;appletalk/runtime/NodeServicePaths.h"
  "appletalk/protocols/postscript/;appletalk/runtime/ServerSettings.h;appletalk/runtime/StackSettings.h"
  "appletalk/runtime/LinkCondition.h;appletalk/afp/")
# AppleShare (`vidur share`, `vidur passwd`) is the exception to linking no floor: it is kept
# out of libtarvlib.so so that no host of the windows carries a file server, so the command
# links its static library, which uses the rest of the stack from libtarvlib.so.
set(VIDUR_LINKS_tools "tools;vidur20;vidur20/include;platform;platform/include;tarvlib;text;appletalk/afp")

# The first folders of include paths that are ours: an include in angle brackets that starts
# with one of them is checked like a quoted one.
set(VIDUR_INCLUDE_ROOTS "text/;tarvlib/;appletalk/;platform/;vidur20/;tools/")

# vidur_layer_of(<path under src/> <out>): the layer a file or folder belongs to, or "".
function(vidur_layer_of path out)
  if(path MATCHES "^appletalk/include(/|$)")
    set(${out} tarvlib PARENT_SCOPE)
    return()
  endif()
  string(REGEX MATCH "^[^/]+/[^/]+" two "${path}")
  string(REGEX MATCH "^[^/]+" one "${path}")
  if(two AND DEFINED VIDUR_INCLUDES_${two})
    set(${out} ${two} PARENT_SCOPE)
  elseif(DEFINED VIDUR_INCLUDES_${one})
    set(${out} ${one} PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

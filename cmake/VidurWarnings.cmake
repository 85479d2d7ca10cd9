# SPDX-License-Identifier: MIT
# Warnings for the project's own targets; third-party headers come in as SYSTEM.
add_library(vidur_warnings INTERFACE)
target_compile_options(vidur_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Woverloaded-virtual -Wimplicit-fallthrough -Wformat=2)
if(VIDUR_WERROR)
  target_compile_options(vidur_warnings INTERFACE -Werror)
endif()

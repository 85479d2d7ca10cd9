# SPDX-License-Identifier: MIT
# Fails when a source outside src/platform/ui/qt includes a Qt header or uses a Qt type.
#   cmake -DSOURCE_DIR=<repository>/src -P QtStaysInItsFolder.cmake
file(GLOB_RECURSE sources "${SOURCE_DIR}/*.cpp" "${SOURCE_DIR}/*.h")
set(found "")
foreach(source IN LISTS sources)
  if(source MATCHES "/platform/ui/qt/")
    continue()
  endif()
  file(STRINGS "${source}" lines REGEX "#include <Q|[^A-Za-z_]Q[A-Z][a-z]+[A-Z]?[A-Za-z]*[ *&:<>(]|qobject_cast|Qt::")
  foreach(line IN LISTS lines)
    string(APPEND found "${source}: ${line}\n")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "Qt outside src/platform/ui/qt:\n${found}")
endif()

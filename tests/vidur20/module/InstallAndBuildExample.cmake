# SPDX-License-Identifier: MIT
# The shipped library as a host meets it: `cmake --install` of the vidur20 and dev components into a
# temporary prefix; the exported symbols checked; the example host configured against the
# installed package (find_package(vidur20)), built, and run offscreen with --smoke, which
# opens the three windows and closes them and uses each exported class as a host would; the C host built again through vidur20.pc;
# a host of the AppleTalk functions alone built through vidur20::tarvlib and through tarvlib.pc, and run.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -P InstallAndBuildExample.cmake
execute_process(COMMAND mktemp -d /tmp/vidur20-install-XXXXXX OUTPUT_VARIABLE work OUTPUT_STRIP_TRAILING_WHITESPACE)
set(prefix "${work}/prefix")

function(step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(result)
    file(REMOVE_RECURSE "${work}")
    message(FATAL_ERROR "${what} failed (${result}):\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

function(expect text haystack what)
  string(FIND "${haystack}" "${text}" at)
  if(at EQUAL -1)
    file(REMOVE_RECURSE "${work}")
    message(FATAL_ERROR "${what}: \"${text}\" not found in:\n${haystack}")
  endif()
endfunction()

step("install" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --component vidur20 --prefix "${prefix}")
step("install dev" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --component dev --prefix "${prefix}")
foreach(file lib/libvidur20.so lib/libvidur20.so.0 lib/libtarvlib.so lib/libtarvlib.so.0
             lib/cmake/vidur20/vidur20Config.cmake lib/cmake/vidur20/vidur20Targets.cmake
             lib/pkgconfig/vidur20.pc lib/pkgconfig/tarvlib.pc include/vidur20/tarvlib/TarvlibApi.h
             include/vidur20/vidur20/module/HVREntryPoints.h
             include/vidur20/vidur20/nbp/ZNBPTuple.h include/vidur20/platform/core/CString.h)
  if(NOT EXISTS "${prefix}/${file}")
    file(REMOVE_RECURSE "${work}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The entry points and the host classes are exported under the public version; the inner
# classes the vidur command drives the windows through only under the release's own; the rest
# of the system not at all.
step("nm" nm -D --defined-only -C "${prefix}/lib/libvidur20.so")
string(REGEX REPLACE "\n" ";" lines "${step_output}")
set(public "")
set(private "")
foreach(line IN LISTS lines)
  if(line MATCHES "@@VIDUR20_0$")
    string(APPEND public "${line}\n")
  elseif(line MATCHES "@@VIDUR20_PRIVATE_[0-9.]+$")
    string(APPEND private "${line}\n")
  elseif(NOT line STREQUAL "" AND NOT line MATCHES " A VIDUR20_")
    file(REMOVE_RECURSE "${work}")
    message(FATAL_ERROR "libvidur20.so exports outside its two versions: ${line}")
  endif()
endforeach()
foreach(name "HVRDeviceChooser(_NBPTuple*, int, CWnd*)" "HVRPrinterStatus(CWnd*)" "HVRNetworkInfo(int)"
             " HVRDeviceChooserC" " HVRPrinterStatusC" " HVRNetworkInfoC" "ZNBPTuple::Compare"
             "ZNBPTupleList::Add" "ZMRUPrinterList::LoadProfileSettings" "ZMRUPrinterBox::LoadPrinterList"
             "CPathName::CPathName" "vtable for ZMRUPrinterBox" "operator==(CString const&, char const*)"
             "operator==(CString const&, CString const&)" "operator!=(CString const&, CString const&)"
             "UiApplicationFailure()" "SetUiApplicationName(char const*)")
  expect("${name}" "${public}" "exported symbols")
endforeach()
expect("UiDriver::ProcessEvents(int)" "${private}" "the command's symbols")
function(expect_none names haystack what)
  foreach(name IN LISTS names)
    string(FIND "${haystack}" "${name}" at)
    if(NOT at EQUAL -1)
      file(REMOVE_RECURSE "${work}")
      message(FATAL_ERROR "libvidur20.so exports ${name} ${what}")
    endif()
  endforeach()
endfunction()
expect_none("ZChooserDialog::;UiDriver::" "${public}" "to hosts")
expect_none("ZPrinterStatusDialog::;ZDevicePackage::;appletalk::;QWidget" "${step_output}" "at all")

step("configure the example host" ${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples/host" -B "${work}/build"
     -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Debug)
step("build the example host" ${CMAKE_COMMAND} --build "${work}/build" -j2)
step("run the example host" ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen VIDUR_PROFILE_DIR=${work}/profile
     "${work}/build/vidur20-example-host" --smoke)
expect("opened and closed: \"Chooser\"" "${step_output}" "example host")
expect("opened and closed: \"Printer status\"" "${step_output}" "example host")
expect("opened and closed: \"Example Host\"" "${step_output}" "example host")
expect("smoke: all three windows opened" "${step_output}" "example host")
expect("library classes: strings compared, path split, printer box made with" "${step_output}" "example host")
# The functions alone, through vidur20::tarvlib: the embedded internet's zones.
step("run the zones host" ${CMAKE_COMMAND} -E env VIDUR_PROFILE_DIR=${work}/profile
     "${work}/build/vidur20-example-zones-host")
expect("zones (6):" "${step_output}" "zones host")

# The C host again, through pkg-config alone.
find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  step("pkg-config" ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig
       ${PKG_CONFIG} --cflags --libs vidur20)
  string(STRIP "${step_output}" flags)
  # A packaged host must carry no run path; libvidur20 brings libtarvlib itself.
  foreach(unwanted "rpath" "-ltarvlib")
    string(FIND "${flags}" "${unwanted}" at)
    if(NOT at EQUAL -1)
      file(REMOVE_RECURSE "${work}")
      message(FATAL_ERROR "pkg-config vidur20 gives ${unwanted}: ${flags}")
    endif()
  endforeach()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  step("build the C host with pkg-config" cc -o "${work}/c-host" "${SOURCE_DIR}/examples/host/c_host.c" ${flags})

  # A C host of the functions alone, through tarvlib.pc: it compiles, links and runs.
  step("pkg-config tarvlib" ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig
       ${PKG_CONFIG} --cflags --libs tarvlib)
  string(STRIP "${step_output}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  step("build the zones host with pkg-config" cc -o "${work}/zones-host" "${SOURCE_DIR}/examples/host/zones_host.c"
       ${flags})
  step("run the zones host built with pkg-config" ${CMAKE_COMMAND} -E env VIDUR_PROFILE_DIR=${work}/profile
       LD_LIBRARY_PATH=${prefix}/lib "${work}/zones-host")
  expect("zones (6):" "${step_output}" "zones host built with pkg-config")
endif()

file(REMOVE_RECURSE "${work}")
message(STATUS "installed, example host built and run")

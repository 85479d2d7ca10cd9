# SPDX-License-Identifier: MIT
# Sanitizers apply to the whole build so that every library and test is instrumented alike.
# Programs run during the build are the exception: see vidur_build_time_tool below.
if(VIDUR_SANITIZE AND VIDUR_TSAN)
  message(FATAL_ERROR "VIDUR_SANITIZE and VIDUR_TSAN cannot be combined")
endif()
set(VIDUR_INSTRUMENT_COMPILE_OPTIONS)
set(VIDUR_INSTRUMENT_LINK_OPTIONS)
if(VIDUR_SANITIZE)
  # No recovery: any report fails the process, and so the test.
  set(VIDUR_INSTRUMENT_COMPILE_OPTIONS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  set(VIDUR_INSTRUMENT_LINK_OPTIONS -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
if(VIDUR_TSAN)
  set(VIDUR_INSTRUMENT_COMPILE_OPTIONS -fsanitize=thread -fno-omit-frame-pointer)
  set(VIDUR_INSTRUMENT_LINK_OPTIONS -fsanitize=thread)
endif()
if(VIDUR_FUZZ)
  # Coverage for libFuzzer in every library, so it sees inside the parsers, not only the
  # fuzz programs; the fuzz programs add the fuzzer runtime themselves. -O1 whatever the
  # build type: unoptimised code under coverage and ASan runs the containers' inline code
  # call by call, and a fuzzer's speed is its reach.
  list(APPEND VIDUR_INSTRUMENT_COMPILE_OPTIONS -fsanitize=fuzzer-no-link -O1)
endif()
add_compile_options(${VIDUR_INSTRUMENT_COMPILE_OPTIONS})
add_link_options(${VIDUR_INSTRUMENT_LINK_OPTIONS})

# vidur_build_time_tool(<target>): a program the build itself runs (a generator) is built
# without the instrumentation above. Its reports would stop the build on code that is not
# under test (ThreadSanitizer's in Qt's thread pool, LeakSanitizer's in Qt at exit), and it
# would slow every build. Such a tool links no library of ours, since those are instrumented.
function(vidur_build_time_tool target)
  foreach(kind COMPILE LINK)
    get_target_property(options ${target} ${kind}_OPTIONS)
    if(options)
      list(REMOVE_ITEM options ${VIDUR_INSTRUMENT_${kind}_OPTIONS})
      set_target_properties(${target} PROPERTIES ${kind}_OPTIONS "${options}")
    endif()
  endforeach()
endfunction()

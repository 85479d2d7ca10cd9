# SPDX-License-Identifier: MIT
# Filling the Chooser's zone box and device list within one 100 ms tick, beside bare Qt
# inserts of the same items. The library is the tests' scripted fake, compiled in here so the
# benchmark builds without the test suite.
if(VIDUR_BUILD_UI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_library(chooser_bench_fake STATIC
    ${PROJECT_SOURCE_DIR}/tests/vidur20/fakes/FakeAppleTalk.cpp
    ${PROJECT_SOURCE_DIR}/tests/vidur20/fakes/FakeTarvlib.cpp)
  target_include_directories(chooser_bench_fake PUBLIC ${PROJECT_SOURCE_DIR}/tests/vidur20/fakes)
  target_link_libraries(chooser_bench_fake PUBLIC tarvlib_headers tarvlib_names PRIVATE vidur_warnings)
  vidur_add_benchmark(NAME chooser_fill_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ChooserFillBench.cpp
    LIBS vidur20_ui vidur20_core chooser_bench_fake Qt6::Widgets)
endif()

# The Chooser from process start to its devices shown, over the real library and the embedded
# network (bench/scripts/chooser-startup.sh runs it).
if(TARGET vidur20_ui AND TARGET tarvlib)
  add_executable(chooser_startup_bench ${CMAKE_CURRENT_SOURCE_DIR}/ChooserStartupBench.cpp)
  target_link_libraries(chooser_startup_bench PRIVATE vidur20_ui tarvlib vidur_warnings)
  # The static parts that call the library come after it on the link line: keep it needed.
  target_link_options(chooser_startup_bench PRIVATE -Wl,--no-as-needed)
endif()

# The Chooser's look-up tick over the real library and a simulated campus of a thousand devices.
if(TARGET vidur20_ui AND TARGET tarvlib)
  vidur_add_benchmark(NAME chooser_campus_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ChooserCampusBench.cpp
    LIBS vidur20_ui tarvlib Qt6::Widgets)
  target_link_options(chooser_campus_bench PRIVATE -Wl,--no-as-needed)
endif()

# SPDX-License-Identifier: MIT
# The stack on the in-process wire: look-up and zone-list throughput beside the bare codecs,
# and the CPU of an idle node. No network leaves the process.
add_library(stack_bench_internet STATIC ${CMAKE_CURRENT_SOURCE_DIR}/BenchInternet.cpp)
target_include_directories(stack_bench_internet PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(stack_bench_internet PUBLIC atalk_sim atalk_services atalk_virtual_time PRIVATE vidur_warnings)

vidur_add_benchmark(NAME stack_throughput_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/StackThroughputBench.cpp
  LIBS stack_bench_internet atalk_services atalk_protocols)
vidur_add_benchmark(NAME stack_idle_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/IdleNodeBench.cpp
  LIBS atalk_sim atalk_services atalk_node)

# A 10 MB PAP job: through the stack on the in-process wire, the bare packets, and over
# LToUDP on loopback.
vidur_add_benchmark(NAME print_job_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/PrintJobBench.cpp
  LIBS atalk_services atalk_virtual_time atalk_protocols)

# A simulated campus of thousands of devices starting: time and heap per device.
vidur_add_benchmark(NAME sim_start_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/SimStartBench.cpp
  LIBS atalk_sim atalk_node)

# A datagram's round trip over LToUDP on loopback, from a node of its own and through the
# host's node service.
vidur_add_benchmark(NAME node_service_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/NodeServiceRoundTripBench.cpp
  LIBS atalk_nodeservice atalk_node)

# Files through the real `vidur share`: over DSI on loopback TCP and over ASP on LToUDP
# loopback, beside a plain send of the same file over a loopback TCP socket. The client is
# the tests' scripted AFP client; and a 10 MB file copied out of and into a `vidur mount` of
# it, beside the client's own read loop.
if(TARGET vidur)
  vidur_add_benchmark(NAME appleshare_transfer_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/AppleShareTransferBench.cpp ${CMAKE_CURRENT_SOURCE_DIR}/AppleShareMountBench.cpp
            ${PROJECT_SOURCE_DIR}/tests/tools/vidur/VidurProcess.cpp
    LIBS tarvlib atalk_afp)
  target_include_directories(appleshare_transfer_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/tests/tools/vidur)
  target_compile_definitions(appleshare_transfer_bench PRIVATE VIDUR_BINARY="$<TARGET_FILE:vidur>")
  add_dependencies(appleshare_transfer_bench vidur)
endif()

# Parsers of the node runtime: LLAP frames (through a node's receive path), DDP headers,
# LToUDP datagrams.
vidur_add_fuzz_target(NAME llap_frame SOURCES LlapFrameFuzz.cpp LIBS atalk_node)
vidur_add_fuzz_target(NAME ddp_header SOURCES DdpHeaderFuzz.cpp LIBS atalk_node)
vidur_add_fuzz_target(NAME ltoudp_datagram SOURCES LToUdpDatagramFuzz.cpp LIBS atalk_node)

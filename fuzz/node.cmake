# SPDX-License-Identifier: MIT
# Parsers of the node runtime: LLAP and EtherTalk frames (through a node's receive path),
# AARP packets, DDP headers,
# LToUDP datagrams.
vidur_add_fuzz_target(NAME llap_frame SOURCES LlapFrameFuzz.cpp LIBS atalk_virtual_time)
vidur_add_fuzz_target(NAME ddp_header SOURCES DdpHeaderFuzz.cpp LIBS atalk_node)
vidur_add_fuzz_target(NAME ltoudp_datagram SOURCES LToUdpDatagramFuzz.cpp LIBS atalk_node)
vidur_add_fuzz_target(NAME ethertalk_frame SOURCES EtherTalkFrameFuzz.cpp LIBS atalk_virtual_time)
vidur_add_fuzz_target(NAME aarp_packet SOURCES AarpPacketFuzz.cpp LIBS atalk_node)

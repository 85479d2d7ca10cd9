# SPDX-License-Identifier: MIT
# Upper protocols, AppleShare's ASP, DSI and AFP among them, and the node service's messages:
# every parser of a protocol on each input, with a serialize/parse round trip.
vidur_add_fuzz_target(NAME rtmp_packet SOURCES RtmpPacketFuzz.cpp LIBS atalk_protocols)
vidur_add_fuzz_target(NAME zip_packet SOURCES ZipPacketFuzz.cpp LIBS atalk_protocols)
vidur_add_fuzz_target(NAME atp_packet SOURCES AtpPacketFuzz.cpp LIBS atalk_protocols)
vidur_add_fuzz_target(NAME nbp_packet SOURCES NbpPacketFuzz.cpp LIBS atalk_protocols)
vidur_add_fuzz_target(NAME pap_packet SOURCES PapPacketFuzz.cpp LIBS atalk_protocols)
vidur_add_fuzz_target(NAME pap_connection SOURCES PapConnectionFuzz.cpp LIBS atalk_protocols)
vidur_add_fuzz_target(NAME node_service_message SOURCES NodeServiceMessageFuzz.cpp LIBS atalk_protocols)
vidur_add_fuzz_target(NAME asp_packet SOURCES AspPacketFuzz.cpp LIBS atalk_protocols)
vidur_add_fuzz_target(NAME dsi_message SOURCES DsiMessageFuzz.cpp LIBS atalk_protocols)
vidur_add_fuzz_target(NAME afp_request SOURCES AfpRequestFuzz.cpp LIBS atalk_protocols)
vidur_add_fuzz_target(NAME afp_reply SOURCES AfpReplyFuzz.cpp LIBS atalk_protocols)

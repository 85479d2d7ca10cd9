# SPDX-License-Identifier: MIT
# Services run whole: PAP's client and server state machines against a peer scripted by the
# input, on the in-process wire and virtual time.
vidur_add_fuzz_target(NAME pap_client_session SOURCES PapClientSessionFuzz.cpp LIBS atalk_services atalk_virtual_time)
vidur_add_fuzz_target(NAME pap_server_session SOURCES PapServerSessionFuzz.cpp LIBS atalk_services atalk_virtual_time)

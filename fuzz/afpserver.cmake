# SPDX-License-Identifier: MIT
# The AFP server's sessions: command blocks from a hostile client over a temporary folder.
vidur_add_fuzz_target(NAME afp_session SOURCES AfpSessionFuzz.cpp LIBS atalk_afp)

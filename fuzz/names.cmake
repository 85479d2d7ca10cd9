# SPDX-License-Identifier: MIT
# Profile strings of NBP names: the recent-device entries read back from "Halvora.INI".
vidur_add_fuzz_target(NAME nbp_profile_string SOURCES NbpProfileStringFuzz.cpp LIBS tarvlib_names)

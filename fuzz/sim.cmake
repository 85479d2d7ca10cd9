# SPDX-License-Identifier: MIT
# Scenario files of the simulator (fuzz/corpus/scenario/*.toml).
vidur_add_fuzz_target(NAME scenario SOURCES ScenarioFuzz.cpp LIBS atalk_sim)

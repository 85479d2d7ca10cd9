# SPDX-License-Identifier: MIT
# The profile file reader of the leaf library (fuzz/corpus/profile_reader/*.ini).
vidur_add_fuzz_target(NAME profile_reader SOURCES ProfileReaderFuzz.cpp LIBS vidur_text)

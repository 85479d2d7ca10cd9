# The private profile reader of the platform layer (fuzz/corpus/profile_reader/*.ini).
vidur_add_fuzz_target(NAME profile_reader SOURCES ProfileReaderFuzz.cpp LIBS platform_core)

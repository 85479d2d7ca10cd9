# SPDX-License-Identifier: MIT
# What the AppleShare volume layer reads from disk and from clients: AppleDouble records and
# files another program may have left, and file names.
vidur_add_fuzz_target(NAME apple_double SOURCES AppleDoubleFuzz.cpp LIBS atalk_afp)
vidur_add_fuzz_target(NAME mac_name SOURCES MacNameFuzz.cpp LIBS atalk_afp)

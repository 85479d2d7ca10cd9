# SPDX-License-Identifier: MIT
# What the print server reads from workstations and from CUPS: PostScript query jobs, the
# first lines of a job, a queue's PPD file (the last only where `vidur serve` is built).
vidur_add_fuzz_target(NAME postscript_query SOURCES PostScriptQueryFuzz.cpp LIBS atalk_serve)
vidur_add_fuzz_target(NAME job_header SOURCES JobHeaderFuzz.cpp LIBS atalk_serve)
if(TARGET vidur_serve)
  vidur_add_fuzz_target(NAME ppd_reader SOURCES PpdReaderFuzz.cpp LIBS vidur_serve)
endif()

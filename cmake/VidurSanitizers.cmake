# SPDX-License-Identifier: MIT
# Sanitizers apply to the whole build so that every library and test is instrumented alike.
if(VIDUR_SANITIZE AND VIDUR_TSAN)
  message(FATAL_ERROR "VIDUR_SANITIZE and VIDUR_TSAN cannot be combined")
endif()
if(VIDUR_SANITIZE)
  # No recovery: any report fails the process, and so the test.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
if(VIDUR_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Project-wide compiler settings: warnings everywhere, optional -Werror and sanitizers, the
# linker.
add_compile_options(-Wall -Wextra)
# File offsets are 64 bits on 32-bit systems too: the share-mode markers sit near the top of
# the 64-bit range, and files may pass 2 GiB. Set for everything, so that every unit (and the
# shared precompiled test headers) sees the same system types.
if(NOT WIN32)
  add_compile_definitions(_FILE_OFFSET_BITS=64)
else()
  # Windows' headers as the platform layer uses them (Windows 7 and later); for everything,
  # for the same reason.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()
# Linux programs may be linked with lld, several times faster than the default linker for
# the test programs (the Windows builds keep MinGW's own).
option(DTU_LLD "Link with lld" OFF)
if(DTU_LLD AND NOT WIN32)
  add_link_options(-fuse-ld=lld)
endif()
# Clang checks the lock annotations (platform/thread_annotations.h).
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options(-Wthread-safety)
endif()
if(DTU_WERROR)
  add_compile_options(-Werror)
endif()
if(DTU_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
# The fuzz build gives every project library the fuzzer's coverage instrumentation, so each
# target is guided through the code it exercises; only the harnesses link the fuzzer's main.
if(DTU_FUZZ AND DTU_FUZZ_COVERAGE)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
if(DTU_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()


# Cross build for Windows with Debian's MinGW-w64 compilers, posix-thread variants (the
# default ones have no std::thread). Included by the per-architecture toolchain files, which
# set DTU_MINGW_ARCH (x86_64 or i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${DTU_MINGW_ARCH})
set(triple ${DTU_MINGW_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs need no DLL beyond Windows' own: the C++ runtime, libgcc and winpthread are
# linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Linked by lld (in its MinGW mode), which takes a fraction of a second where the cross
# binutils' ld takes seconds per program; the compiler driver still decides what is linked.
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_CURRENT_LIST_DIR}/mingw-lld-link)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_CURRENT_LIST_DIR}/mingw-lld-link)

# 32-bit Windows (the factory benches); compiled and linked only.
set(DTU_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

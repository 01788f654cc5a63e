# 32-bit Windows (the factory benches); the tests run under 32-bit Wine.
set(DTU_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

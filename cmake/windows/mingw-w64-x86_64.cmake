# 64-bit Windows; the tests run under Wine.
set(DTU_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Runs the Windows test programs under Wine as CTest's cross-compiling emulator, in a 64-bit
# prefix (by default inside the build folder; DTU_WINEPREFIX lets a 32-bit build share a
# 64-bit build's, so that both pay Wine's start-up once). The fixture wine_prefix creates the
# prefix when missing and keeps one wineserver alive for the run; no display is needed.
# Programs of either architecture are started through the 64-bit loader, which hands a 32-bit
# one to the 32-bit loader (Debian's wine32:i386, found beside it).
find_program(DTU_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(DTU_WINE NAMES wine64 wine)
find_program(DTU_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine)
if(NOT DTU_WINE OR NOT DTU_WINESERVER)
  message(FATAL_ERROR "The Windows tests run under Wine, which is not installed (./test installs it); "
                      "-DDTU_WINE_TESTS=OFF builds them without running them.")
endif()
get_filename_component(wine_dir ${DTU_WINE} DIRECTORY)
find_program(DTU_WINE32 NAMES wine PATHS ${wine_dir} NO_DEFAULT_PATH)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT DTU_WINE32)
  message(FATAL_ERROR "The 32-bit Windows tests run under 32-bit Wine, which is not installed (./test installs "
                      "it: dpkg --add-architecture i386, apt-get install wine32:i386); -DDTU_WINE_TESTS=OFF "
                      "builds them without running them.")
endif()
# The serial and console-program tests talk to the native build's simulator.
if(NOT DTU_HOST_SIM)
  message(FATAL_ERROR "The Windows tests under Wine talk to the simulated DTU of the native build: build "
                      "dtu-sim in ${DTU_HOST_BUILD} first.")
endif()
set(DTU_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "The Wine prefix the tests run in")
# The 32-bit loader's path (empty without one): wine-run makes again a prefix made without it.
set(DTU_WINE32_LOADER "")
if(DTU_WINE32)
  set(DTU_WINE32_LOADER ${DTU_WINE32})
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
set(DTU_TEST_FIXTURE wine)

add_test(NAME wine_prefix_start COMMAND ${CMAKE_BINARY_DIR}/wine-run --prefix-start)
add_test(NAME wine_prefix_stop COMMAND ${CMAKE_BINARY_DIR}/wine-run --prefix-stop)
set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)

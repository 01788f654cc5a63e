# Runs the Windows test programs under Wine (64-bit) as CTest's cross-compiling emulator, in a
# prefix inside the build folder. The fixture wine_prefix creates the prefix when missing and
# keeps one wineserver alive for the run, so Wine's start-up is paid once; no display is needed.
find_program(DTU_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(DTU_WINE NAMES wine64 wine)
find_program(DTU_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine)
if(NOT DTU_WINE OR NOT DTU_WINESERVER)
  message(FATAL_ERROR "The Windows tests run under Wine, which is not installed (./test installs it); "
                      "-DDTU_WINE_TESTS=OFF builds them without running them.")
endif()
# The serial and console-program tests talk to the native build's simulator.
if(NOT DTU_HOST_SIM)
  message(FATAL_ERROR "The Windows tests under Wine talk to the simulated DTU of the native build: build "
                      "dtu-sim in ${DTU_HOST_BUILD} first.")
endif()
set(DTU_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
set(DTU_TEST_FIXTURE wine)

add_test(NAME wine_prefix_start COMMAND ${CMAKE_BINARY_DIR}/wine-run --prefix-start)
add_test(NAME wine_prefix_stop COMMAND ${CMAKE_BINARY_DIR}/wine-run --prefix-stop)
set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)

# Programs that run on the build machine: the GBK and form generators, and the simulated DTU
# that the Windows serial tests talk to. A native build makes them itself; a cross build runs
# those of a native build of the same tree, named by DTU_HOST_BUILD.
if(NOT CMAKE_CROSSCOMPILING)
  return()
endif()
set(DTU_HOST_BUILD "" CACHE PATH "A native build of this tree whose generators the cross build runs")
foreach(tool gbkgen formgen)
  set(location ${DTU_HOST_BUILD}/tools/${tool}/${tool})
  if(NOT EXISTS ${location})
    message(FATAL_ERROR "A cross build runs the generators of a native build: build one (e.g. build/gcc) and "
                        "pass -DDTU_HOST_BUILD=<its folder>; ${location} is missing.")
  endif()
  add_executable(${tool} IMPORTED GLOBAL)
  set_target_properties(${tool} PROPERTIES IMPORTED_LOCATION ${location})
endforeach()
# The simulator, which the tests under Wine need (cmake/windows/Wine.cmake).
set(DTU_HOST_SIM ${DTU_HOST_BUILD}/tools/dtu-sim/dtu-sim)
if(NOT EXISTS ${DTU_HOST_SIM})
  set(DTU_HOST_SIM "")
endif()

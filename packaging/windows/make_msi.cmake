cmake_minimum_required(VERSION 3.25)
# Makes the installer OUT (a .msi) of version VERSION for ARCH (x64 or x86) with wixl from
# packaging/windows/dtu-setup.wxs (WXS): the PROGRAMS (comma-separated), stripped with STRIP,
# the README and the ICON, gathered in a folder of their own.
set(stage ${OUT}.stage)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
string(REPLACE "," ";" programs "${PROGRAMS}")
foreach(program ${programs})
  get_filename_component(file ${program} NAME)
  execute_process(COMMAND ${STRIP} --strip-all -o ${stage}/${file} ${program} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot strip ${program}")
  endif()
endforeach()
file(COPY ${README} ${ICON} DESTINATION ${stage})
file(REMOVE ${OUT})
# wixl takes the files' names relative to its current folder.
execute_process(COMMAND ${WIXL} -a ${ARCH} -D Version=${VERSION} -D Arch=${ARCH} -o ${OUT} ${WXS}
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE status ERROR_VARIABLE errors)
file(REMOVE_RECURSE ${stage})
if(NOT status EQUAL 0)
  message(FATAL_ERROR "wixl could not make ${OUT}:\n${errors}")
endif()
message(STATUS "${OUT}")

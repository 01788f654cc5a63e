cmake_minimum_required(VERSION 3.25)
# Makes OUT_DIR/NAME.zip: a folder NAME holding the PROGRAMS (comma-separated), stripped
# with STRIP, and README.
set(stage ${OUT_DIR}/zip-stage)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage}/${NAME})
string(REPLACE "," ";" programs "${PROGRAMS}")
foreach(program ${programs})
  get_filename_component(file ${program} NAME)
  execute_process(COMMAND ${STRIP} --strip-all -o ${stage}/${NAME}/${file} ${program} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot strip ${program}")
  endif()
endforeach()
file(COPY ${README} DESTINATION ${stage}/${NAME})
file(REMOVE ${OUT_DIR}/${NAME}.zip)
# A fixed time stamp: the same programs give the same zip.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUT_DIR}/${NAME}.zip --format=zip --mtime=2026-12-07 ${NAME}
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot make ${NAME}.zip")
endif()
file(REMOVE_RECURSE ${stage})
message(STATUS "${OUT_DIR}/${NAME}.zip")

# gbk_constants(<target> <input.txt> <namespace> <area>)
# Generates a static library holding one GBK constant area from a UTF-8 text list.
# Include the header as "<target>.h" (it lands in the build tree's include path).
function(gbk_constants target input ns area)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/generated/${target})
  # Run from the source tree, so the outputs name their input by its path there.
  file(RELATIVE_PATH source ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${input})
  add_custom_command(
    OUTPUT ${out}.h ${out}.cpp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generated
    COMMAND gbkgen ${source} ${out} ${ns} ${area}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    DEPENDS gbkgen ${CMAKE_CURRENT_SOURCE_DIR}/${input}
    COMMENT "Converting ${input} to GBK")
  add_library(${target} STATIC ${out}.cpp ${out}.h)
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_BINARY_DIR}/generated)
endfunction()

cmake_policy(SET CMP0009 NEW)  # recursive globs do not follow symbolic links (a Wine prefix links to /)
cmake_policy(SET CMP0057 NEW)  # IN_LIST
# Checks how the build is put together, over the source tree given as SOURCE_DIR:
#  - every folder that has a CMakeLists.txt is added by name (add_subdirectory) from another
#    list file, so a folder nobody lists cannot drop out of the build unnoticed;
#  - no list file decides on the existence of a target (if(TARGET ...)): what a build holds
#    follows from its configuration, and a test that names a target the build lacks stops
#    the configure instead of disappearing.
file(GLOB_RECURSE lists ${SOURCE_DIR}/CMakeLists.txt ${SOURCE_DIR}/*/CMakeLists.txt)
list(FILTER lists EXCLUDE REGEX "^${SOURCE_DIR}/build/")

set(added "")
set(failures "")
foreach(list_file ${lists})
  get_filename_component(dir ${list_file} DIRECTORY)
  file(READ ${list_file} text)
  # The first argument of every add_subdirectory, relative to the list file's folder or
  # through the source tree's variable.
  string(REGEX MATCHALL "add_subdirectory\\([ \t\n]*[^ \t\n)]+" calls "${text}")
  foreach(call ${calls})
    string(REGEX REPLACE "add_subdirectory\\([ \t\n]*" "" path "${call}")
    string(REPLACE "\${CMAKE_SOURCE_DIR}" "${SOURCE_DIR}" path "${path}")
    string(REPLACE "\${CMAKE_CURRENT_SOURCE_DIR}" "${dir}" path "${path}")
    if(path MATCHES "\\$")
      continue()  # a folder outside the tree (GoogleTest's sources)
    endif()
    get_filename_component(path ${path} ABSOLUTE BASE_DIR ${dir})
    list(APPEND added ${path})
  endforeach()
  if(text MATCHES "(^|[ \t\n(])(else)?if\\((NOT )?TARGET ")
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${list_file})
    list(APPEND failures "${rel}: decides on whether a target exists (decide on the build's configuration instead)")
  endif()
endforeach()

foreach(list_file ${lists})
  get_filename_component(dir ${list_file} DIRECTORY)
  if(dir STREQUAL SOURCE_DIR)
    continue()
  endif()
  if(NOT dir IN_LIST added)
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${dir})
    list(APPEND failures "${rel}/ has a CMakeLists.txt that no list file adds")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "Build lists:\n${text}")
endif()

# The service worker: the list of the page's files it keeps for offline use, and its cache's
# name, the page's build mark (made from the files' content: every change of the page installs
# afresh, and a page asking for its build's files finds them). Run by dtu_web_site with SITE
# and TEMPLATE set.
include(${CMAKE_CURRENT_LIST_DIR}/site_digest.cmake)
dtu_site_files(${SITE} files)
file(STRINGS ${SITE}/index.html mark REGEX "name=\"dtu-build\" content=\"[0-9a-f]+\"")
if(NOT mark)
  message(FATAL_ERROR "${SITE}/index.html carries no build mark")
endif()
string(REGEX REPLACE ".*content=\"([0-9a-f]+)\".*" "\\1" DTU_SITE_STAMP "${mark}")
set(names "")
foreach(f ${files})
  string(APPEND names "'${f}', ")
endforeach()
string(REGEX REPLACE ", $" "" DTU_SITE_FILES "${names}")
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)

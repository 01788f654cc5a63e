# The page's build mark, made from the content of the page's files: in index.html (the meta
# dtu-build, and "?b=<mark>" on the files it loads) and in main.js (kPageBuild), so that the
# page asks for the files of its own build and can tell when it was put together from two
# (updates.js); the service worker's cache is named after it. Run by dtu_web_site with SITE
# set, once the page's files are in place with their marks unfilled.
include(${CMAKE_CURRENT_LIST_DIR}/site_digest.cmake)
dtu_site_digest(${SITE} mark)
foreach(f index.html main.js)
  file(READ ${SITE}/${f} text)
  string(REPLACE "@DTU_PAGE_BUILD@" "${mark}" text "${text}")
  file(WRITE ${SITE}/${f} "${text}")
endforeach()

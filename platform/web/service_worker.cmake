# The service worker: the list of the page's files it keeps for offline use, and its cache's
# name made from their content, so that every change of the page installs afresh. Run by
# dtu_web_site with SITE and TEMPLATE set.
file(GLOB_RECURSE files RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM files sw.js _headers README.txt)
list(SORT files)
set(all "")
set(names "")
foreach(f ${files})
  file(SHA256 ${SITE}/${f} sum)
  string(APPEND all "${f} ${sum}\n")
  string(APPEND names "'${f}', ")
endforeach()
string(SHA256 stamp "${all}")
string(SUBSTRING ${stamp} 0 16 DTU_SITE_STAMP)
string(REGEX REPLACE ", $" "" DTU_SITE_FILES "${names}")
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)

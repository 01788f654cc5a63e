# The page's files as the browser loads them (all but the service worker, the response
# headers and the read-me).
# dtu_site_files(<site> <var>): their names, sorted.
function(dtu_site_files site var)
  file(GLOB_RECURSE files RELATIVE ${site} ${site}/*)
  list(REMOVE_ITEM files sw.js _headers README.txt)
  list(SORT files)
  set(${var} ${files} PARENT_SCOPE)
endfunction()

# dtu_site_digest(<site> <var>): the first 16 hex digits of a SHA-256 over their names and
# content.
function(dtu_site_digest site var)
  dtu_site_files(${site} files)
  set(all "")
  foreach(f ${files})
    file(SHA256 ${site}/${f} sum)
    string(APPEND all "${f} ${sum}\n")
  endforeach()
  string(SHA256 digest "${all}")
  string(SUBSTRING ${digest} 0 16 digest)
  set(${var} ${digest} PARENT_SCOPE)
endfunction()

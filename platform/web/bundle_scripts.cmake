# The page's scripts as one module (main.js): its parts are modules of their own in the
# source tree, joined here in the order they need each other, their imports of each other
# dropped and their exports made plain declarations (the names are distinct across the
# parts). One file fetched instead of ten, so the page starts sooner. Run by dtu_web_site
# with PAGE, OUTPUT and PARTS (the files, each after those it imports, separated by ":") set.
string(REPLACE ":" ";" PARTS "${PARTS}")
set(bundle "// The page's scripts, joined from platform/web/page/ at build time.\n")
foreach(part ${PARTS})
  file(READ ${PAGE}/${part} text)
  string(REGEX REPLACE "\nimport [^\n]* from '\\./[^']*';" "" text "\n${text}")
  string(REGEX REPLACE "\nexport " "\n" text "${text}")
  string(APPEND bundle "\n// ---- ${part}${text}")
endforeach()
file(WRITE ${OUTPUT}.new "${bundle}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)

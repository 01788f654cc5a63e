# The page's texts that carry the version or the response headers: index.html (its
# version), README.txt (the version and the headers to serve the page with), and _headers
# itself. Run by dtu_web_site with SITE, PAGE, VERSION and README set.
file(READ ${PAGE}/_headers headers)
set(DTU_VERSION ${VERSION})
# Filled in once every file of the page is in place (page_build.cmake).
set(DTU_PAGE_BUILD "@DTU_PAGE_BUILD@")
set(DTU_WEB_HEADERS "${headers}")
string(REGEX MATCH "Content-Security-Policy: [^\n]*" csp "${headers}")
string(REPLACE "Content-Security-Policy: " "" DTU_WEB_CSP "${csp}")
configure_file(${PAGE}/index.html ${SITE}/index.html @ONLY)
configure_file(${PAGE}/_headers ${SITE}/_headers COPYONLY)
configure_file(${README} ${SITE}/README.txt @ONLY)

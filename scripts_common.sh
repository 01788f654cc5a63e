# Shared by ./run, ./test and ./bench: installs what is missing and configures builds.
# Sourced, not run.

# Every build, the Windows and web ones too, takes its JSON library (headers only) from
# nlohmann-json3-dev (cmake/Json.cmake).
DTU_PACKAGES="build-essential cmake ninja-build clang libclang-rt-14-dev lld googletest libgtest-dev libgmock-dev \
libbenchmark-dev qt6-base-dev libgl-dev fonts-wqy-microhei xvfb xauth x11-utils libsqlite3-dev libpq-dev \
nlohmann-json3-dev"
# The production journal's tests (and the claim benchmark) start a PostgreSQL server of their
# own from Debian's packages.
DTU_JOURNAL_TEST_PACKAGES="postgresql-15"
# What the Windows (MinGW-w64 cross, run under Wine; icoutils makes and reads the programs'
# icon; xdotool and xclip drive the window program under Wine; wixl makes the installer and
# msitools mends and reads it back) and 32-bit Linux builds need besides.
DTU_PORT_PACKAGES="g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 g++-multilib icoutils \
xdotool xclip wixl msitools"

# The web edition: Debian's emscripten (with its clang, lld and binaryen), Node for its
# tools and the browser tests, and Chromium for those tests; installed without their
# recommendations (a desktop's worth of services).
DTU_WEB_PACKAGES="emscripten chromium nodejs"

# What ./package (and ./test, which runs it) needs on top: the package builder's tools and
# the checkers of the package, its menu entry and its metadata (CPack finds the programs
# with file, and their libraries with dpkg-dev's dpkg-shlibdeps).
DTU_PACKAGING_PACKAGES="dpkg-dev file lintian desktop-file-utils appstream"

dtu_install_packages() {
  local missing=()
  for p in $DTU_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The web edition's packages (see DTU_WEB_PACKAGES), and npm where the Node installed lacks it.
dtu_install_web_packages() {
  local missing=()
  for p in $DTU_WEB_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  command -v npm >/dev/null || missing+=(npm)
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# 32-bit Wine (Debian's wine32:i386, once the i386 architecture is added to dpkg), which runs
# the 32-bit Windows programs beside the 64-bit ones, without its recommendations (sound,
# video and printing libraries). It updates some of the machine's own shared libraries to the
# versions of their i386 twins: ./test installs it while only compilers run.
dtu_install_wine32() {
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" && return 0
  echo "Installing: wine32:i386"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
}

# dtu_configure <dir> <c compiler> <c++ compiler> [cmake options...]
# DTU_CONFIGURE_WITH: a command that runs cmake for a toolchain of its own (emcmake).
# Empty compilers: the options name them (a toolchain file). A build folder is configured
# with exactly these options: whenever they differ from those it was configured with (kept
# in <dir>/dtu-configure-options), it is configured afresh, so no option of an earlier
# command lingers in its cache; otherwise it is left to the build, which reconfigures itself
# when a CMakeLists.txt changes. Ninja then recompiles only what the new options change.
dtu_configure() {
  local dir=$1 cc=$2 cxx=$3
  shift 3
  local compilers=()
  [ -n "$cc" ] && compilers=(-DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx")
  local options
  options=$(printf '%s\n' -G Ninja "${compilers[@]}" "$@")
  if [ -f "$dir/build.ninja" ] && [ -f "$dir/dtu-configure-options" ] &&
     [ "$(cat "$dir/dtu-configure-options")" = "$options" ]; then
    return 0
  fi
  local fresh=()
  [ -f "$dir/CMakeCache.txt" ] && fresh=(--fresh)
  rm -f "$dir/dtu-configure-options"
  ${DTU_CONFIGURE_WITH:-} cmake "${fresh[@]}" -S . -B "$dir" -G Ninja "${compilers[@]}" "$@" >/dev/null
  printf '%s\n' "$options" >"$dir/dtu-configure-options"
}

# dtu_build <dir> <c compiler> <c++ compiler> [cmake options...]
# Builds everything, or only the targets named in DTU_TARGETS (space-separated).
dtu_build() {
  dtu_configure "$@"
  local targets=()
  for t in ${DTU_TARGETS:-}; do targets+=(--target "$t"); done
  cmake --build "$1" -j"$(nproc)" "${targets[@]}"
}

# The g++ build (build/gcc) that ./test, ./run, ./package and the benchmarks under Wine
# share, all with these same options (so none of them reconfigures it for another):
# optimised as a release, without debug information, which takes far longer to build and
# which nothing here uses; warnings are errors; each test program compiled as one unit;
# linked with lld.
DTU_GCC_OPTIONS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG" -DDTU_WERROR=ON -DDTU_UNITY_TESTS=ON -DDTU_LLD=ON)

# The sanitizer builds: reports name file and line, which line tables alone give, at a
# fraction of full debug information's build time.
DTU_LINE_TABLES=(-DCMAKE_C_FLAGS_DEBUG=-gline-tables-only -DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only)

# The builds that prove the suite on other targets: no Qt, no benchmarks, no optimisation,
# GoogleTest built from source with the same compiler, each test program one compile unit.
DTU_PORT_OPTIONS=(-DDTU_QT=OFF -DDTU_WERROR=ON -DDTU_GTEST_SOURCE=/usr/src/googletest -DDTU_UNITY_TESTS=ON)

# The web edition (build/web): the layers above the platform, the page's backend and the
# page's files (site/), and the test program the browser tests run (site-tests/). Needs the
# generators of the g++ build (build/gcc). Debian's emscripten finds its JavaScript parser
# (acorn) through NODE_PATH. Each of its compiler's starts costs about a second, so the
# libraries are compiled in units of several files (the g++ build checks each file alone).
# dtu_web_build <dir> <native build> [targets...]
dtu_web_build() {
  local dir=$1 host=$2
  shift 2
  export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
  DTU_CONFIGURE_WITH=emcmake dtu_configure "$dir" "" "" -DDTU_HOST_BUILD="$PWD/$host" -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG" -DDTU_WERROR=ON -DDTU_UNITY_LIBS=ON
  local targets=()
  for t in "${@:-dtu_web_site}"; do targets+=(--target "$t"); done
  cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
}

# The browser tests' Node packages (tests/web/package-lock.json), installed once.
dtu_web_test_packages() {
  if [ ! -d tests/web/node_modules ] || [ tests/web/package-lock.json -nt tests/web/node_modules ]; then
    (cd tests/web && npm ci --no-audit --no-fund --silent)
  fi
}

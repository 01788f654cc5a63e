# Shared by ./run, ./test and ./bench: installs what is missing and configures builds.
# Sourced, not run.

DTU_PACKAGES="build-essential cmake ninja-build clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev \
libbenchmark-dev qt6-base-dev libgl-dev fonts-wqy-microhei xvfb xauth x11-utils"

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

# dtu_build <dir> <c compiler> <c++ compiler> [cmake options...]
# Builds everything, or only the targets named in DTU_TARGETS (space-separated).
dtu_build() {
  local dir=$1 cc=$2 cxx=$3
  shift 3
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" "$@" >/dev/null
  fi
  local targets=()
  for t in ${DTU_TARGETS:-}; do targets+=(--target "$t"); done
  cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
}

# shellcheck shell=bash disable=SC2034
# Sourced by run.sh and test.sh: installs the Debian packages the build needs
# when any of them is missing (as root, or through sudo).

VEYRA_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libssl-dev
  qt6-base-dev qt6-svg-dev
  # The engine of the driver's folder protection and FUSE 3 beneath it.
  gocryptfs fuse3
)

# What the programs need on a desktop besides: a font for their Japanese texts.
VEYRA_DESKTOP_PACKAGES=(
  fonts-noto-cjk
)

# What the black-box test needs besides: a virtual display, key presses, window
# properties, and screenshots of a failure. Without them the test is skipped.
VEYRA_BLACKBOX_PACKAGES=(
  xvfb xdotool x11-utils imagemagick
)

# What the fuzz targets need besides: clang and its libFuzzer.
VEYRA_FUZZ_PACKAGES=(
  clang libclang-rt-14-dev
)

veyra_missing_packages() {
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || echo "$pkg"
  done
}

veyra_install_packages() {
  local missing
  missing=$(veyra_missing_packages "$@")
  [ -z "$missing" ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing missing packages: $missing"
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

# Installs what it can and says what it could not, without failing the caller.
veyra_try_install_packages() {
  if ! (veyra_install_packages "$@"); then
    echo "Could not install: $(veyra_missing_packages "$@" | tr '\n' ' ')(the tests that need them are skipped)" >&2
  fi
}

# veyra_build <build-dir> [cmake options...]
veyra_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir"
}

#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, run and test.
# Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  # Qt 6 (engine: core, network; windows: widgets; tests: QtTest)
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  # reference backend
  libcpp-httplib-dev libsqlite3-dev libssl-dev zlib1g-dev libbrotli-dev
  # platform layers: traditional Chinese, routes, hot key
  libopencc-dev opencc libnl-3-dev libnl-route-3-dev libxcb1-dev libxcb-keysyms1-dev
  # dialling (real dials only; tests use a stand-in pppd)
  iproute2 iputils-ping procps
  # speed-test benchmark: the reference pinger it is compared with
  fping
  # tests/vm/run: a Debian image with a PPP kernel, booted under QEMU
  debootstrap qemu-system-x86 e2fsprogs
  # windows under Xvfb, screenshots and CJK text
  xvfb xdotool imagemagick fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"

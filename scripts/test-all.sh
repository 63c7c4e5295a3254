#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds everything and runs every test: the normal build, the
# same tests under AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz smoke runs and
# the formatting check, then the dial cases against real servers in a virtual machine
# (tests/vm/run).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1

echo "== formatting"
bash scripts/check-format.sh

echo "== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
echo "== tests"
ctest --test-dir build -j "$jobs"

echo "== build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKVT_SANITIZE=ON \
      -DKVT_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
echo "== tests under the sanitizers"
# Qt and fontconfig keep process-lifetime allocations that LeakSanitizer reports as leaks.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan -j "$jobs"

echo "== dial cases in a virtual machine (real pppd, pptpd, xl2tpd)"
# Skipped (77) with its reason when no image is cached and no mirror answers, or without root.
vm_status=0
bash tests/vm/run build || vm_status=$?
if [ "$vm_status" -eq 77 ]; then
    echo "dial cases in a virtual machine: skipped"
elif [ "$vm_status" -ne 0 ]; then
    echo "dial cases in a virtual machine: FAILED"
    exit 1
fi

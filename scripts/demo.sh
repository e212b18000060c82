#!/usr/bin/env bash
# Builds vortiq and runs it on the shipped example, then shows the header it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages "${BUILD_PACKAGES[@]}"
# A folder of its own: the test builds configure build/ with their tests.
cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-demo -j"$(nproc)" --target vortiq >/dev/null
./build-demo/vortiq examples/demo.pb
echo "== examples/demo.pbi (exit status $?) =="
cat -A examples/demo.pbi
echo

#!/usr/bin/env bash
# Builds vortiq with its tests and runs every test. Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages "${BUILD_PACKAGES[@]}"
jobs="$(nproc)"

echo "== Release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== Windows program under Wine"
./scripts/windows-tests.sh

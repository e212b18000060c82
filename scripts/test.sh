#!/usr/bin/env bash
# Builds vortiq with its tests and runs every test: in a Release build, again
# with AddressSanitizer and UndefinedBehaviorSanitizer, then every fuzz target
# for 60 s, then the 32-bit Windows program under Wine and the 64-bit ARM Linux
# program under qemu, and checks that a second build of the commit gives the
# same bytes. Fails when any test fails or a fuzzer finds anything.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_CHECK_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
jobs="$(nproc)"

echo "== Release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== Sanitizer build and tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs"

echo "== Fuzzing"
./scripts/fuzz.sh 60

echo "== Windows program under Wine"
./scripts/windows-tests.sh

echo "== ARM64 Linux program under qemu"
./scripts/arm64-tests.sh

echo "== Reproducible build"
./scripts/reproducible.sh --windows

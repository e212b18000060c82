#!/usr/bin/env bash
# Builds vortiq with its tests and runs every test: in a Release build, in a
# build of the plain POSIX layer, again with AddressSanitizer and
# UndefinedBehaviorSanitizer, then every fuzz target
# for 60 s, then the 32-bit Windows program under Wine and the 64-bit ARM Linux
# program under qemu, and checks that a second build of the commit gives the
# same bytes. Fails when any test fails or a fuzzer finds anything.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_CHECK_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}" python3
jobs="$(nproc)"

echo "== Release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"

# Only the listing: running mutants takes minutes and rewrites files of src/
# for a while, which is no thing to do under someone editing them.
echo "== Mutation check: the places it can change"
python3 scripts/mutate.py --build-dir build --list | tail -n 1

# What macOS and the BSDs get: none of the calls beyond POSIX that Linux has
# (O_PATH, sync_file_range, st_mtim, extended attributes), as if the build had
# not found them.
echo "== Plain POSIX build and tests"
cmake -S . -B build-posix -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
  -DVORTIQ_OPTIONAL_POSIX_CALLS=OFF >/dev/null
cmake --build build-posix -j"$jobs"
ctest --test-dir build-posix --output-on-failure --no-tests=error -j"$jobs" -E '^package\.'

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

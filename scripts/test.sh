#!/usr/bin/env bash
# Builds vortiq with its tests and runs every test: in a Release build, again
# with AddressSanitizer and UndefinedBehaviorSanitizer, then every fuzz target
# for 60 s. Fails when any test fails or a fuzzer finds anything.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}" python3
jobs="$(nproc)"

echo "== Release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# Only the listing: running mutants takes minutes and rewrites files of src/
# for a while, which is no thing to do under someone editing them.
echo "== Mutation check: the places it can change"
python3 scripts/mutate.py --build-dir build --list | tail -n 1

echo "== Sanitizer build and tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs"

echo "== Fuzzing"
./scripts/fuzz.sh 60

echo "== Windows program under Wine"
./scripts/windows-tests.sh

#!/usr/bin/env bash
# Measures how much of src/ the fuzz corpora reach: builds the fuzz targets with
# clang's source-based coverage into build-fuzz-coverage/, runs each target once
# over every input of fuzz/corpus/<target>/ (no fuzzing), merges the profiles
# and prints lines and branches covered per folder of src/ (per file in
# build-fuzz-coverage/report.txt).
#
#   scripts/fuzz-coverage.sh [corpus-root]
#
# corpus-root defaults to fuzz/corpus (one folder per target in it). Installs,
# where missing, the Debian packages of the build, clang 14 with its libFuzzer,
# and llvm-14 for llvm-profdata-14 and llvm-cov-14. The full report is left in
# build-fuzz-coverage/report.txt; for an annotated listing of one file run
#   llvm-cov-14 show -instr-profile=build-fuzz-coverage/all.profdata \
#     build-fuzz-coverage/fuzz/fuzz_generate src/FILE
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}" llvm-14
corpora="$(realpath "${1:-fuzz/corpus}")"
build=build-fuzz-coverage

echo "== Fuzzer build with coverage (clang)"
# Only functions of src/ are instrumented, inline ones of its headers included
# wherever they are compiled; the targets' own functions (each target has its
# LLVMFuzzerTestOneInput) would clash when the profiles are merged.
mkdir -p "$build"
printf '%s\n' "src:$PWD/src/*" >"$build/instrumented.list"
flags="-fprofile-instr-generate -fcoverage-mapping -fprofile-list=$PWD/$build/instrumented.list"
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORTIQ_BUILD_FUZZERS=ON -DBUILD_TESTING=OFF -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzzers

rm -f "$build"/*.profraw "$build"/*.profdata
objects=()
for binary in "$build"/fuzz/fuzz_*; do
  target="${binary##*/fuzz_}"
  [ -d "$corpora/$target" ] || continue
  echo "== Running $target over $(find "$corpora/$target" -type f | wc -l) inputs"
  # -runs=0 executes every input once and stops; the inputs are read only.
  LLVM_PROFILE_FILE="$build/$target.profraw" "$binary" -runs=0 "$corpora/$target" \
    >"$build/$target.log" 2>&1 || {
    tail -n 30 "$build/$target.log"
    echo "fuzz_$target failed on its corpus" >&2
    exit 1
  }
  llvm-profdata-14 merge -sparse "$build/$target.profraw" -o "$build/$target.profdata"
  objects+=(-object "$binary")
done
# llvm-cov may warn of functions with mismatched data: templates of the standard
# library that a target's own file also instantiates, uninstrumented. They lie
# outside src/ and are not counted.
llvm-profdata-14 merge -sparse "$build"/*.profraw -o "$build/all.profdata"

# The per-file table, all targets together, for reading.
llvm-cov-14 report -instr-profile="$build/all.profdata" -show-branch-summary \
  "${objects[@]:1}" "$PWD/src" >"$build/report.txt"

# The same counts in lcov form (SF: path, LF/LH: lines found and hit, BRF/BRH:
# branches), summed per folder of src/.
echo "== Covered by all corpora together"
llvm-cov-14 export -format=lcov -summary-only -instr-profile="$build/all.profdata" \
  "${objects[@]:1}" "$PWD/src" | awk -v root="$PWD/src/" '
  function pct(hit, all) { return all ? sprintf("%.1f%%", 100 * hit / all) : "-" }
  function row(name, lh, lf, bh, bf) {
    printf "%-16s %6d of %-6d %7s %6d of %-6d %7s\n", name, lh, lf, pct(lh, lf), bh, bf, pct(bh, bf)
  }
  /^SF:/ {
    folder = substr($0, 4); sub(root, "", folder)
    if (folder ~ /\//) sub(/\/[^\/]*$/, "", folder); else folder = "."
    if (!(folder in lf)) order[++n] = folder
  }
  /^LF:/ { lf[folder] += substr($0, 4) }
  /^LH:/ { lh[folder] += substr($0, 4) }
  /^BRF:/ { bf[folder] += substr($0, 5) }
  /^BRH:/ { bh[folder] += substr($0, 5) }
  END {
    printf "%-16s %-23s %-20s\n", "folder of src/", "lines", "branches"
    for (i = 1; i <= n; ++i) {
      f = order[i]
      row(f, lh[f], lf[f], bh[f], bf[f])
      tlh += lh[f]; tlf += lf[f]; tbh += bh[f]; tbf += bf[f]
    }
    row("all", tlh, tlf, tbh, tbf)
  }'
echo "== Per file: $build/report.txt"

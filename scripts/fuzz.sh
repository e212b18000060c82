#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (and AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs each of them for the
# given number of seconds, 60 by default. Fails on any finding: a crash, a
# sanitizer report, a violated property, a hang or running out of memory.
#
#   scripts/fuzz.sh [seconds]
#
# Each target starts from its corpus in fuzz/corpus/<target>/ (seeds and the
# inputs a long campaign found, merged to a minimal set). What a target finds is
# kept in build-fuzz/findings/<target>/ (rerun it with
# build-fuzz/fuzz/fuzz_<target> FILE); the inputs it found interesting are kept
# in build-fuzz/corpus/<target>/, so a later run goes on from there.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
seconds="${1:-60}"
build=build-fuzz

echo "== Fuzzer build (clang)"
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORTIQ_BUILD_FUZZERS=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzzers

# Each target with the longest input it is given. Longer ones only slow each
# execution down: a 1 KiB source holds modules, procedures and continued lines
# enough, 512 bytes cut by buffers of 1 to 128 bytes cut lines everywhere.
targets=(generate:1024 statements:512 command_line:512 convert_header:1024)
# Allocation stacks are left out of reports and freed memory is kept from reuse
# for 64 MiB rather than 256, which makes executions a quarter faster and finds
# the same faults; replay a finding without these to see its allocation stacks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=64}"
passed=0
failed=0
for entry in "${targets[@]}"; do
  target="${entry%%:*}"
  max_len="${entry##*:}"
  work="$build/corpus/$target"  # written by the fuzzer; the seeds in fuzz/corpus/ stay as they are
  findings="$build/findings/$target"
  log="$build/fuzz_$target.log"
  mkdir -p "$work" "$findings"
  dictionary=()
  case "$target" in generate | statements | convert_header) dictionary=(-dict=fuzz/purebasic.dict) ;; esac
  echo "== Fuzzing $target for $seconds s"
  if nice "$build/fuzz/fuzz_$target" -max_len="$max_len" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "${dictionary[@]}" \
    -artifact_prefix="$findings/" "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    passed=$((passed + 1))
    grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec)' "$log" || true
  else
    failed=$((failed + 1))
    tail -n 60 "$log"
    echo "fuzz_$target found a fault; the input is in $findings/" >&2
  fi
done
echo "fuzzing: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Compares the headers that two vortiq programs write, byte for byte but for the
# time stamp: on COUNT adversarial sources (made to trip the fast paths, of
# 1 KiB to 64 KiB, and one of 20 MiB), on runs of empty lines of each line end,
# and on the benchmark's generated sources of 16 and 256 MiB of both shapes. Run it before committing
# a change to the hot path, with the program from before the change as OLD.
#
#   bench/compare.sh OLD NEW [COUNT]      COUNT defaults to 1000
#
# Prints the number of sources compared and of those that differ, the first few
# by name, and fails when any differs. Not part of the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
[ $# -ge 2 ] || { echo "usage: $0 OLD NEW [COUNT]" >&2; exit 2; }
old="$(realpath "$1")"
new="$(realpath "$2")"
count="${3:-1000}"
build="${BUILD_DIR:-build-bench}"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORTIQ_BUILD_BENCHMARKS=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vortiq_generate_source >/dev/null
generate="$PWD/$build/bench/vortiq_generate_source"

work="$(mktemp -d /tmp/vortiq-compare.XXXXXX)"
trap 'rm -rf "$work"' EXIT
compared=0
differing=0

# Runs both programs on the source `$1` and compares what they write.
compare() {
  local source="$1" status_old=0 status_new=0
  "$old" "$source" || status_old=$?
  if [ -f "${source}i" ]; then mv "${source}i" "$work/old.pbi"; else rm -f "$work/old.pbi"; fi
  "$new" "$source" || status_new=$?
  compared=$((compared + 1))
  # The second line holds the time stamp, the only part that may differ.
  if [ "$status_old" != "$status_new" ] || ! cmp -s <(sed 2d "$work/old.pbi" 2>/dev/null) \
    <(sed 2d "${source}i" 2>/dev/null); then
    differing=$((differing + 1))
    [ "$differing" -le 5 ] && echo "differs: $(basename "$source") (kept in $work)" >&2 &&
      cp "$source" "$work/differs-$(basename "$source")"
  fi
  rm -f "$source" "${source}i"
}

for seed in $(seq "$count"); do
  "$generate" --adversarial "$((1024 + seed * 7919 % 64512))" "$work/a$seed.pb" "$seed"
  compare "$work/a$seed.pb"
done
"$generate" --adversarial 20M "$work/large.pb" 2026
compare "$work/large.pb"
for size in 16 256; do
  "$generate" "${size}M" "$work/g$size.pb"
  compare "$work/g$size.pb"
  "$generate" --realistic "${size}M" "$work/r$size.pb"
  compare "$work/r$size.pb"
done
# Runs of empty lines of each ending, with procedures among them.
for ending in '\n' '\r\n' '\r' '\0'; do
  for _ in $(seq 20000); do printf "$ending"; done >"$work/e.pb"
  printf 'Procedure A()\r\nx\rEndProcedure\0Procedure B()' >>"$work/e.pb"
  for _ in $(seq 300); do printf "  x = 1 : y$ending"; done >>"$work/e.pb"
  compare "$work/e.pb"
done
echo "$compared sources compared, $differing differ"
if [ "$differing" -ne 0 ]; then
  trap - EXIT
  exit 1
fi

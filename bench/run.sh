#!/usr/bin/env bash
# Measures vortiq side by side with `wc -l` (reading every byte once: the floor)
# and `grep -ciE '^ *procedure'` (what a user would reach for to list procedures)
# on generated PureBasic sources of two shapes, the benchmark's header-heavy one
# and one shaped as real code is (`--realistic`), each tool on the same file in
# the same run, in a RAM-backed /dev/shm where there is one (so that the flush
# of the header to disk hides nothing). Then 64 MiB of empty lines ending in LF,
# CR LF, a lone CR and a zero byte, which must all pass at about one speed.
# Sources are timed once they are 2 s old; the largest is timed once more as
# if just saved ("just saved"), which vortiq checks by reading it twice.
#
#   bench/run.sh [SIZE_MIB...]      default: 1 16 256
#
# Then the classes of input whose time must grow with the work (one long line
# of statements, one long comment, one long procedure header, long runs of
# empty lines ending in NUL or CR), each against a realistic source of the
# same size; then the sizes users have (13 KB, the median save, and 1 MB, the
# largest real source), vortiq against `cat` of it, SMALL_RUNS runs of each in
# turn (default 301), in /tmp and, where there is one, in a RAM-backed
# /dev/shm, where the flush of the header to disk costs nothing. With BEFORE,
# the program before a change is timed against `cat` in the same way, right
# after.
#
# Environment: RUNS (timed runs per tool and size, default 7; the median is
# shown), BUILD_DIR (default build-bench), VORTIQ (a vortiq program to measure
# instead of the one built here), BEFORE (a program from before a change, for
# the small sources). Sources go to temporary folders that are removed at the
# end. Not part of the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev

runs="${RUNS:-7}"
small_runs="${SMALL_RUNS:-301}"
build="${BUILD_DIR:-build-bench}"
if [ $# -gt 0 ]; then sizes=("$@"); else sizes=(1 16 256); fi

echo "== Release build in $build" >&2
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORTIQ_BUILD_BENCHMARKS=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vortiq vortiq_generate_source vortiq_measure \
  >/dev/null
vortiq="${VORTIQ:-$PWD/$build/vortiq}"
generate="$PWD/$build/bench/vortiq_generate_source"
measure="$PWD/$build/bench/vortiq_measure"

work="$(mktemp -d /tmp/vortiq-bench.XXXXXX)"
shm=""
if [ -d /dev/shm ] && [ -w /dev/shm ]; then shm="$(mktemp -d /dev/shm/vortiq-bench.XXXXXX)"; fi
trap 'rm -rf "$work" ${shm:+"$shm"}' EXIT

cpu="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Machine: $(nproc) cores, ${cpu:-unknown CPU}; locale ${LC_ALL:-${LANG:-C}}; $runs rounds of one run of each tool in turn, medians"
echo
printf '%-9s %9s %9s %9s %8s %8s %8s %10s %9s %10s\n' \
  "source" "vortiq" "wc -l" "grep" "/wc" "/grep" "MiB/s" "peak RSS" "RSS/src" "ms/MiB"

# Prints the median seconds and peak KiB of `$runs` runs of the command.
time_of() { "$measure" "$runs" "$@"; }

# Times the three tools on `$1` in turns, one run of each per round, so that a
# machine whose speed drifts slows them alike; prints the median seconds of
# vortiq, wc and grep and vortiq's largest peak KiB.
time_in_turns() {
  local source="$1" fresh="${2:-}" round v w g
  local -a vs=() ws=() gs=() kibs=()
  for round in $(seq "$runs"); do
    [ -z "$fresh" ] || touch "$source"
    read -r v kib < <("$measure" 1 "$vortiq" "$source")
    read -r w _ < <("$measure" 1 wc -l "$source")
    read -r g _ < <("$measure" 1 grep -ciE '^ *procedure' "$source")
    vs+=("$v"); ws+=("$w"); gs+=("$g"); kibs+=("$kib")
  done
  median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
  echo "$(median "${vs[@]}") $(median "${ws[@]}") $(median "${gs[@]}") \
$(printf '%s\n' "${kibs[@]}" | sort -g | tail -n 1)"
}

# Prints one row of the table for the source `$2`, of `$3` MiB, labelled `$1`;
# with a fourth argument the source is touched before each run of vortiq, as if
# just saved, so that vortiq checks its bytes by reading them twice.
row() {
  local label="$1" source="$2" mib="$3" vortiq_s wc_s grep_s vortiq_kib
  read -r vortiq_s wc_s grep_s vortiq_kib < <(time_in_turns "$source" "${4:-}")
  awk -v label="$label" -v mib="$mib" -v v="$vortiq_s" -v w="$wc_s" -v g="$grep_s" \
    -v kib="$vortiq_kib" 'BEGIN {
    printf "%-9s %8.3fs %8.3fs %8.3fs %7.2fx %7.2fx %8.0f %7.1fMiB %9.4f %10.2f\n",
      label, v, w, g, v / w, v / g, mib / v, kib / 1024, kib / 1024 / mib, v * 1000 / mib
  }'
}

big="${shm:-$work}"
for shape in benchmark realistic; do
  echo "$shape shape, in $(df --output=fstype "$big" | tail -n 1):"
  for size in "${sizes[@]}"; do
    source="$big/bench$size.pb"
    if [ "$shape" = realistic ]; then
      "$generate" --realistic "${size}M" "$source" "$work/expected"
    else
      "$generate" "${size}M" "$source" "$work/expected"
    fi
    # The header must be the expected one before its speed means anything.
    "$vortiq" "$source"
    if ! tail -n +5 "${source}i" | cmp -s - "$work/expected"; then
      echo "bench/run.sh: the header of the $size MiB $shape source is not the expected one" >&2
      exit 1
    fi
    # A source written less than 2 s before it is opened is read twice (its
    # time stamp cannot show a write in the same tick): let it settle first.
    sleep 2.1
    row "$size MiB" "$source" "$size"
    if [ "$size" = "${sizes[-1]}" ]; then row "just saved" "$source" "$size" fresh; fi
    rm -f "$source" "${source}i" "$work/expected"
  done
done

echo "64 MiB of empty lines ending in:"
for ending in LF CRLF CR NUL; do
  source="$big/empty-$ending.pb"
  case "$ending" in
    LF) head -c 64M < <(yes '') >"$source" ;;
    CRLF) head -c 64M < <(yes $'\r') >"$source" ;;
    CR) head -c 64M /dev/zero | tr '\0' '\r' >"$source" ;;
    NUL) head -c 64M /dev/zero >"$source" ;;
  esac
  printf '\nProcedure Last()\n' >>"$source"  # a line grep finds too
  sleep 2.1
  row "$ending" "$source" 64
  rm -f "$source" "${source}i"
done

# Each continued header reads the statements after it again, so this 58 KB source
# gives a header of about 54 MB; memory must not grow with it.
pairs="$work/pairs.pb"
for _ in $(seq 2000); do printf 'Procedure A(x,\nEndProcedure,\n'; done >"$pairs"
read -r pairs_s pairs_kib < <(time_of "$vortiq" "$pairs")
"$vortiq" "$pairs"
echo
awk -v src="$(stat -c %s "$pairs")" -v hdr="$(stat -c %s "${pairs}i")" -v s="$pairs_s" \
  -v kib="$pairs_kib" 'BEGIN {
  printf "Continued-header pairs: %.0f KB source, %.1f MB header, %.3fs, peak RSS %.1f MiB\n",
    src / 1000, hdr / 1e6, s, kib / 1024
}'

# Classes of input of 48 MiB whose time must grow with the work, against a
# realistic source of the same size: the header of each is no larger.
echo
echo "48 MiB of one kind of input, against 48 MiB of the realistic shape:"
"$generate" --realistic 48M "$big/class.pb" "$work/expected"
sleep 2.1
read -r realistic_s _ < <(time_of "$vortiq" "$big/class.pb")
for class in statements comment header NUL CR; do
  source="$big/class.pb"
  case "$class" in
    statements) head -c 48M < <(yes 'a:' | tr -d '\n') >"$source" ;;
    comment) { printf '; '; head -c 48M < <(yes 'note: ' | tr -d '\n'); } >"$source" ;;
    header) { printf 'Procedure A('; head -c 48M < <(yes '*p.Point, ' | tr -d '\n'); printf 'x)'; } >"$source" ;;
    NUL) head -c 48M /dev/zero >"$source" ;;
    CR) head -c 48M /dev/zero | tr '\0' '\r' >"$source" ;;
  esac
  sleep 2.1
  read -r class_s class_kib < <(time_of "$vortiq" "$source")
  awk -v class="$class" -v s="$class_s" -v r="$realistic_s" -v kib="$class_kib" \
    -v header="$(stat -c %s "${source}i")" 'BEGIN {
    printf "  %-11s %.3fs, %.2fx the realistic %.3fs; header %.1f MB, peak RSS %.0f MiB\n",
      class, s, s / r, r, header / 1e6, kib / 1024
  }'
  rm -f "$source" "${source}i"
done

# The sizes users have: the median save and the largest real source, vortiq
# and cat in turn, the median of the per-round ratios.
echo
echo "Realistic sources of the sizes users have: $small_runs runs of vortiq and of cat in turn, medians"
for folder in "$work" $shm; do
  where="$(df --output=fstype "$folder" | tail -n 1)"
  for size in 13000 1M; do
    small="$folder/small.pb"
    "$generate" --realistic "$size" "$small" "$work/expected"
    "$vortiq" "$small"
    if ! tail -n +5 "${small}i" | cmp -s - "$work/expected"; then
      echo "bench/run.sh: the header of the $size source is not the expected one" >&2
      exit 1
    fi
    sleep 2.1
    for program in "$vortiq" ${BEFORE:+"$BEFORE"}; do
      label="vortiq"
      [ "$program" = "$vortiq" ] || label="before"
      read -r small_s cat_s ratio < <("$measure" "$small_runs" "$program" "$small" --versus cat "$small")
      awk -v where="${folder%/vortiq-bench.*} ($where)" -v size="$size" -v label="$label" \
        -v v="$small_s" -v c="$cat_s" -v r="$ratio" 'BEGIN {
        printf "  %-24s %-6s %-7s %.2f ms, cat %.2f ms, %s/cat %.2fx\n", where, size, label,
          v * 1000, c * 1000, label, r
      }'
    done
    rm -f "$small" "${small}i"
  done
done

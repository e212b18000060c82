#!/usr/bin/env bash
# Cross-builds the Linux program for 64-bit ARM with Debian's
# g++-aarch64-linux-gnu and runs the unit, end-to-end and package tests under
# qemu-aarch64, registered with binfmt_misc so that the programs the tests start
# run too; then makes the arm64 .deb and .tar.gz. Every test runs, the
# fault-injection ones with a 100 MiB line and a million-statement chain too:
# under qemu they take about a minute together.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages "${BUILD_PACKAGES[@]}" g++-aarch64-linux-gnu qemu-user-static
jobs="$(nproc)"

binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
if [ -w "$binfmt/register" ] && [ ! -e "$binfmt/qemu-aarch64" ]; then
  printf '%s' ':qemu-aarch64:M::\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00:\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-aarch64-static:F' \
    >"$binfmt/register" || true
fi
if [ ! -e "$binfmt/qemu-aarch64" ]; then
  echo "qemu-aarch64 could not be registered with binfmt_misc: the end-to-end tests" >&2
  echo "start the ARM64 program directly and cannot run here" >&2
  exit 1
fi

echo "== ARM64: cross build (g++-aarch64-linux-gnu)"
cmake --preset aarch64 >/dev/null
cmake --build --preset aarch64 -j"$jobs"
file_type="$(od -An -tx1 -j18 -N2 build-aarch64/vortiq | tr -d ' ')"
[ "$file_type" = b700 ] || { echo "build-aarch64/vortiq is not an ARM64 program" >&2; exit 1; }

echo "== ARM64: tests under qemu-aarch64"
ctest --preset aarch64 -j"$jobs" --timeout 1800

(cd build-aarch64 && cpack >/dev/null)
ls build-aarch64/vortiq_*_arm64.deb build-aarch64/vortiq-*-linux-aarch64.tar.gz >/dev/null

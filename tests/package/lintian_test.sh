#!/bin/sh
# Builds the .deb with cpack and runs lintian on it: no error and no warning
# may be reported (tags overridden in the package, each with its reason, aside).
# Usage: lintian_test.sh CPACK CPACK_CONFIG LINTIAN
set -eu
cpack=$1 config=$2 lintian=$3

tmp=$(mktemp -d "${TMPDIR:-/tmp}/vortiq-lintian.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
if ! "$cpack" -G DEB --config "$config" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  echo "FAIL: cpack could not build the .deb" >&2
  exit 1
fi
# Root is warned about, which is not the package's concern.
if ! "$lintian" --fail-on error,warning --pedantic --display-info "$tmp"/out/*.deb \
  >"$tmp/lintian.log" 2>&1; then
  grep -v 'running with root privileges' "$tmp/lintian.log" >&2
  echo "FAIL: lintian reports errors or warnings" >&2
  exit 1
fi

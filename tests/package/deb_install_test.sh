#!/bin/sh
# Installs the .deb with dpkg into an empty root of its own, reads the manual
# page with man as a user would, removes the package again, and checks that the
# root then holds exactly what it held before, dpkg's own records aside.
# Usage: deb_install_test.sh CPACK CPACK_CONFIG MAN
set -eu
cpack=$1 config=$2 man=$3

tmp=$(mktemp -d "${TMPDIR:-/tmp}/vortiq-install.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if ! "$cpack" -G DEB --config "$config" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  fail "cpack could not build the .deb"
fi
set -- "$tmp"/out/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one .deb, found: $*"
deb=$1

root="$tmp/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
listing() { (cd "$root" && find . ! -path './var/lib/dpkg/*' | LC_ALL=C sort); }
listing >"$tmp/before"
# dpkg's log would go to the host's /var/log. The root holds no package that a
# dynamically linked build (with the sanitizers) depends on; the shipped one
# depends on none, which deb_test.sh checks.
dpkg_root() {
  force=--force-depends
  [ "$(id -u)" -eq 0 ] || force="$force --force-not-root"
  dpkg --root="$root" --log=/dev/null $force "$@" >"$tmp/dpkg.log" 2>&1 ||
    { cat "$tmp/dpkg.log" >&2; fail "dpkg $*"; }
}

dpkg_root -i "$deb"
[ "$(dpkg-query --root="$root" -W -f='${Status}' vortiq)" = "install ok installed" ] ||
  fail "vortiq is not installed after dpkg -i"
[ -x "$root/usr/bin/vortiq" ] || fail "no usr/bin/vortiq after dpkg -i"

# `man vortiq` with the root's manual pages: the compressed page is found by
# name and formats without a complaint.
page=$(MANWIDTH=80 "$man" --manpath="$root/usr/share/man" -P cat vortiq 2>"$tmp/man.err") ||
  fail "man vortiq: $(cat "$tmp/man.err")"
[ ! -s "$tmp/man.err" ] || fail "man vortiq complained: $(cat "$tmp/man.err")"
printf '%s\n' "$page" | grep -q '^ *vortiq - write the declaration header of a PureBasic source file' ||
  fail "man vortiq shows no NAME line: $page"

dpkg_root -r vortiq
if dpkg-query --root="$root" -W vortiq >/dev/null 2>&1; then
  fail "dpkg still knows vortiq after dpkg -r: $(dpkg-query --root="$root" -W -f='${Status}' vortiq)"
fi
listing >"$tmp/after"
cmp -s "$tmp/before" "$tmp/after" ||
  fail "dpkg -r left files behind: $(diff "$tmp/before" "$tmp/after" || true)"

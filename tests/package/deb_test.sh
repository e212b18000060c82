#!/bin/sh
# Builds the .deb and the .tar.gz with cpack into a temporary folder, unpacks the
# .deb into a temporary root and runs the vortiq it installs on the shipped
# example. Checks the package's fields, its files, and the header byte for byte
# (the time stamp aside), whose banner must show the package's version.
# Usage: deb_test.sh CPACK CPACK_CONFIG SOURCE_DIR VERSION
set -eu
cpack=$1 config=$2 source_dir=$3 version=$4

tmp=$(mktemp -d "${TMPDIR:-/tmp}/vortiq-package.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if ! "$cpack" -G "DEB;TGZ" --config "$config" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  fail "cpack could not build the packages"
fi

# The .deb: named the Debian way, with the project's version and fields.
set -- "$tmp"/out/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one .deb, found: $*"
deb=$1
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = vortiq ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Section)" = devel ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
field Depends | grep -q '\<libc6\>' || fail "Depends '$(field Depends)' lacks libc6"
field Description | grep -q PureBasic || fail "Description is not vortiq's: $(field Description)"
[ "$(basename "$deb")" = "vortiq_${version}_$(field Architecture).deb" ] ||
  fail "file name $(basename "$deb")"

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
vortiq="$root/usr/bin/vortiq"
[ -x "$vortiq" ] || fail "no executable usr/bin/vortiq in the .deb"
cmp -s "$root/usr/share/man/man1/vortiq.1" "$source_dir/doc/vortiq.1" ||
  fail "usr/share/man/man1/vortiq.1 missing or not doc/vortiq.1"
for document in README.md CHANGELOG.md; do
  [ -f "$root/usr/share/doc/vortiq/$document" ] || fail "usr/share/doc/vortiq/$document missing"
done

# The installed program on the example: exit status 0, silent, the exact header.
mkdir "$tmp/work"
cp "$source_dir/examples/demo.pb" "$tmp/work/demo.pb"
status=0
"$vortiq" "$tmp/work/demo.pb" >"$tmp/stdout" 2>"$tmp/stderr" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
[ ! -s "$tmp/stdout" ] && [ ! -s "$tmp/stderr" ] || fail "the program printed something"
header="$tmp/work/demo.pbi"
[ -f "$header" ] || fail "no demo.pbi written"
printf ';- VORTIQ V%s [https://vortiq.org]\r\n' "$version" >"$tmp/expected"
printf '\r\nCompilerIf #PB_Compiler_Module = ""\r\nDeclare.i Add(a.i, b.i)\r\n' >>"$tmp/expected"
printf 'CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = "Shapes"\r\nDeclare Draw()\r\n' >>"$tmp/expected"
printf 'CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = ""\r\nCompilerEndIf' >>"$tmp/expected"
sed 2d "$header" >"$tmp/without_time"
cmp -s "$tmp/without_time" "$tmp/expected" || fail "demo.pbi differs: $(od -c "$header")"
stamp=$(sed -n 2p "$header")
printf "%s\n" "$stamp" | grep -Eq \
  "^;- 'demo\.pb' header, generated at [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{2}\.[0-9]{2}\.[0-9]{4}\.$(printf '\r')\$" ||
  fail "time stamp line: $stamp"

# The .tar.gz: version and architecture in its name, the same files under one folder.
set -- "$tmp"/out/*.tar.gz
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one .tar.gz, found: $*"
folder=$(basename "$1" .tar.gz)
case "$folder" in
  "vortiq-$version-linux-"?*) ;;
  *) fail "file name $(basename "$1")" ;;
esac
tar -tzf "$1" >"$tmp/listing"
for file in bin/vortiq share/man/man1/vortiq.1 share/doc/vortiq/README.md; do
  grep -qx "$folder/$file" "$tmp/listing" || fail "$file missing from $(basename "$1")"
done
